#include "access/keypad_entry.h"
#include "fuzz_harness.h"

#include <algorithm>
#include <array>

namespace {

constexpr int Keypads = 3;
constexpr qint64 HourMs = 3600 * 1000;

// Pauses between keys, around the idle time, the lockout window and the lockout.
constexpr std::array<qint64, 16> PausesMs{0,      1,      150,    999,       4000,   9999,
                                          10000,  10001,  60000,  119999,    120000, 299999,
                                          300000, 900000, HourMs, 2 * HourMs};

struct Pad {
    KeypadEntry entry;
    qint64 lastKeyMs = -1;          // the last key the entry took
    QList<qint64> refusedSinceLock; // refused codes since the last lockout
};

bool allDigits(const QString &text)
{
    return std::all_of(text.begin(), text.end(),
                       [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); });
}

// The harness refuses every decided code but one, as a guesser meets them.
void decided(Pad &pad, const QString &code, const LockoutRules &rules, qint64 nowMs)
{
    if (code == QLatin1String("1234"))
        return;
    pad.refusedSinceLock << nowMs;
    if (!pad.entry.refused(nowMs))
        return;
    const qint64 windowStart = nowMs - qint64(rules.windowSeconds) * 1000;
    const auto inWindow = std::count_if(pad.refusedSinceLock.begin(), pad.refusedSinceLock.end(),
                                        [&](qint64 t) { return t >= windowStart; });
    FUZZ_CHECK(rules.after > 0 && inWindow >= rules.after);
    FUZZ_CHECK(pad.entry.locked(nowMs) && pad.entry.entry().isEmpty());
    const qint64 lockMs = pad.entry.lockedUntilMs() - nowMs;
    FUZZ_CHECK(lockMs >= qint64(rules.lockSeconds) * 1000);
    FUZZ_CHECK(lockMs <= std::max(qint64(rules.lockSeconds) * 1000, HourMs));
    pad.refusedSinceLock.clear();
}

} // namespace

// Keypads typed on at once, on a clock that jumps: the input is a few bytes of
// settings, then pairs of (keypad and pause, byte from the line).
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzReader in(data, size);
    const int codeLength = 1 + in.byte() % 8;
    const int idleMs = (1 + in.byte() % 30) * 1000;
    const LockoutRules rules{in.byte() % 7, 1 + in.byte(), (1 + in.byte()) * 5};
    std::array<Pad, Keypads> pads;
    for (Pad &pad : pads)
        pad.entry = KeypadEntry(idleMs, rules);
    qint64 nowMs = 1000;
    while (!in.atEnd()) {
        const uint8_t control = in.byte();
        const char character = char(in.byte());
        nowMs += PausesMs[control >> 4];
        Pad &pad = pads[(control & 0x0f) % Keypads];
        if ((control & 0x0f) == 0x0f) { // the operator lifts the lockout
            pad.entry.lift();
            pad.refusedSinceLock.clear();
            FUZZ_CHECK(!pad.entry.locked(nowMs));
            continue;
        }
        const bool locked = pad.entry.locked(nowMs);
        const bool idle = pad.lastKeyMs >= 0 && nowMs - pad.lastKeyMs >= idleMs;
        const QString before = pad.entry.entry();
        std::array<QString, Keypads> others;
        std::transform(pads.begin(), pads.end(), others.begin(),
                       [](const Pad &p) { return p.entry.entry(); });

        const KeypadEntry::Step step = pad.entry.key(character, codeLength, nowMs);
        const QString &entry = pad.entry.entry();
        FUZZ_CHECK(entry.size() < codeLength && allDigits(entry));
        FUZZ_CHECK(step.endOfFile == (character == 0x1A && !locked));
        for (int k = 0; k < Keypads; ++k)
            FUZZ_CHECK(&pads[k] == &pad || pads[k].entry.entry() == others[k]);
        if (locked) {
            FUZZ_CHECK(step.kind == KeypadEntry::Step::Dropped && entry == before);
            continue;
        }
        FUZZ_CHECK(step.kind != KeypadEntry::Step::Dropped);
        pad.lastKeyMs = nowMs;
        const KeypadKey key = keypadKey(character);
        // An idle entry is forgotten before the key counts.
        if (key.kind == KeypadKey::Digit && idle && codeLength > 1)
            FUZZ_CHECK(entry == QString(key.digit));
        if (key.kind == KeypadKey::Digit && !idle && before.size() + 1 < codeLength)
            FUZZ_CHECK(entry == before + key.digit);
        if (key.kind == KeypadKey::Clear)
            FUZZ_CHECK(entry.isEmpty());
        if (key.kind == KeypadKey::Other || key.kind == KeypadKey::EndOfFile)
            FUZZ_CHECK(entry == (idle ? QString() : before));
        if (step.kind == KeypadEntry::Step::Decide) {
            FUZZ_CHECK(step.code.size() == codeLength && allDigits(step.code));
            FUZZ_CHECK(key.kind == KeypadKey::Digit && step.code.endsWith(key.digit));
            decided(pad, step.code, rules, nowMs);
        }
        FUZZ_CHECK(entry.isEmpty() ? !pad.entry.forgetAtMs()
                                   : pad.entry.forgetAtMs() == nowMs + idleMs);
    }
    return 0;
}
