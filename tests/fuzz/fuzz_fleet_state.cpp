#include "fuzz_harness.h"
#include "settings/fleet_state.h"

namespace {

// Times are written to the second.
bool sameSecond(const QDateTime &a, const QDateTime &b)
{
    return a.isValid() == b.isValid() &&
           (!a.isValid() || a.toSecsSinceEpoch() == b.toSecsSinceEpoch());
}

} // namespace

// fleet.state as a crash, a disk or an editor may leave it: refused as damaged,
// or read into a state that its text reads back as, and a status line that
// stays one line.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FleetState state;
    QString error;
    if (!FleetState::parse(fuzzBytes(data, size), state, &error)) {
        FUZZ_CHECK(error == QLatin1String("fleet.state is damaged"));
        return 0;
    }
    FleetState again;
    FUZZ_CHECK(FleetState::parse(state.text(), again, &error));
    FUZZ_CHECK(again.phase == state.phase && again.waiting == state.waiting &&
               again.staleSeconds == state.staleSeconds && again.fault == state.fault);
    FUZZ_CHECK(sameSecond(again.since, state.since) && sameSecond(again.contact, state.contact) &&
               sameSecond(again.written, state.written));
    for (const QDateTime &now :
         {state.written, state.written.addSecs(qint64(state.staleSeconds) + 1)})
        FUZZ_CHECK(!again.statusLine(now).contains(QLatin1Char('\n')));
    return 0;
}
