#include "fuzz_harness.h"
#include "settings/fleet_state.h"

// fleet.state as a crash, a disk or an editor may leave it: refused as damaged,
// or read into a state whose text reads back to the same text, and a status
// line that stays one line.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FleetState state;
    QString error;
    if (!FleetState::parse(fuzzBytes(data, size), state, &error)) {
        FUZZ_CHECK(error == QLatin1String("fleet.state is damaged"));
        return 0;
    }
    const QByteArray text = state.text();
    FleetState again;
    FUZZ_CHECK(FleetState::parse(text, again, &error));
    FUZZ_CHECK(again.text() == text);
    for (const QDateTime &now :
         {state.written, state.written.addSecs(qint64(state.staleSeconds) + 1)})
        FUZZ_CHECK(!again.statusLine(now).contains(QLatin1Char('\n')));
    return 0;
}
