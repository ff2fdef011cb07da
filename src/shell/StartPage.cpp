#include "shell/StartPage.h"

#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

StartPage::StartPage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("StartPage"));
    auto* layout = new QVBoxLayout(this);
    layout->addStretch(2);
    auto* picture = new QLabel(this);
    picture->setPixmap(QIcon(QStringLiteral(":/shell/ICON_00.png")).pixmap(96, 96));
    picture->setAlignment(Qt::AlignCenter);
    layout->addWidget(picture);
    auto* title = new QLabel(QStringLiteral("Zorbel Builder"), this);
    QFont font = title->font();
    font.setPointSizeF(font.pointSizeF() * 2.2);
    font.setBold(true);
    title->setFont(font);
    title->setAlignment(Qt::AlignCenter);
    layout->addWidget(title);
    auto* hint = new QLabel(
        QStringLiteral("Create a module with File \u2192 New, or open one with File \u2192 Open."),
        this);
    hint->setAlignment(Qt::AlignCenter);
    hint->setEnabled(false);
    layout->addWidget(hint);
    layout->addStretch(3);
}

ContentPanel::ContentPanel(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("ContentPanel"));
    setMinimumSize(64, 64);
}

void ContentPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient gradient(rect().topLeft(), rect().bottomLeft());
    gradient.setColorAt(0, palette().base().color());
    gradient.setColorAt(1, palette().alternateBase().color());
    painter.fillRect(rect(), gradient);
    const int side = qMin(width(), height()) / 2;
    const QRect target(rect().center() - QPoint(side / 2, side / 2), QSize(side, side));
    QIcon(QStringLiteral(":/shell/ICON_00.png")).paint(&painter, target);
}
