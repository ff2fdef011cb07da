#pragma once
#include <QWidget>

// The page shown in the " Start Page " document window: the product's name
// and picture, nothing to act on.
class StartPage : public QWidget {
    Q_OBJECT
public:
    explicit StartPage(QWidget* parent = nullptr);
};

// The "Content" pane: a picture filling the pane.
class ContentPanel : public QWidget {
    Q_OBJECT
public:
    explicit ContentPanel(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};
