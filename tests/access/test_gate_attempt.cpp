#include <QTest>

class TestGateAttempt : public QObject {
    Q_OBJECT
};

QTEST_MAIN(TestGateAttempt)
#include "test_gate_attempt.moc"
