#pragma once

#include <QString>

// Whether the log list follows the gate, listed again with each new row, or
// holds still for the operator's review while the attempts it misses are counted.
class LiveFollow {
public:
    bool following() const { return m_following; }
    // A new attempt: true when the list is to show it now, else it is counted.
    bool attempted();
    // The operator chose other dates, another filter or a customer.
    void review();
    // Back to the live list: nothing is missed any more.
    void resume();
    // "3 new attempts" the review has missed; empty when none.
    QString missedText() const;

private:
    bool m_following = true;
    qint64 m_missed = 0;
};
