#pragma once
#include <QWidget>

class ButtonXP;
class List;
class QLabel;
class QFrame;

// The "Task List" pane: the open solution's to-do entries, one line each.
// The list on screen is the authority; every change is written to the task
// file at once (TaskFile), at the end of every in-place edit and when the
// pane goes away.
class TaskListPane : public QWidget {
    Q_OBJECT
public:
    explicit TaskListPane(QWidget* parent = nullptr);
    ~TaskListPane() override;

    // Replaces the list by the tasks stored in the task file.
    void LoadTasks();
    // Replaces the task file's [Tasks] section by the list.
    void SaveTasks();
    // Ends an open in-place edit as Enter does, which saves. Whoever changes
    // the solution path calls it first, so the edit lands in the file it was
    // made for rather than in the next solution's.
    void FinishEdit();

    // The entries as shown, in order.
    QStringList Tasks() const;

    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void AddTask();
    void EditTask();
    void RemoveTask();
    void EditEnded(QString& text, bool& cancel);
    void LayOut();

    QFrame* Picture3;  // the header strip
    QLabel* Label1;
    ButtonXP* xp1;        // Add Task
    ButtonXP* xp2;        // Edit Task
    ButtonXP* ButtonXP1;  // Remove Task
    ButtonXP* ButtonXP2;  // Move Up
    ButtonXP* ButtonXP3;  // Move Down
    List* List1;
};
