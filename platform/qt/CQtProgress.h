#pragma once
// A progress control for long loops over a QProgressBar (not owned). A change that shows
// repaints the bar at once, since the loop does not return to the event loop while it runs.

#include "UserInterface.h"

class QProgressBar;

class CQtProgress final : public ui::CProgress {
public:
    explicit CQtProgress(QProgressBar* bar);
    void SetRange(int lower, int upper) override;
    void SetStep(int step) override;
    void StepIt() override;
    void SetPos(int pos) override;

private:
    void Show(int pos, bool always);

    QProgressBar* m_bar;
    int m_pos;  // the position, which the bar shows to within a pixel and a percent
    int m_step = 10;
};
