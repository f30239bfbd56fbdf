#include "keypad_keys.h"

namespace {

constexpr char DigitLetters[] = "NABCEFGIJK"; // index = digit

} // namespace

KeypadKey keypadKey(char character)
{
    constexpr char endOfFile = 0x1A;
    if (character == 'M' || character == 'O')
        return {KeypadKey::Clear, {}};
    if (character == endOfFile)
        return {KeypadKey::EndOfFile, {}};
    for (int digit = 0; digit < 10; ++digit) {
        if (DigitLetters[digit] == character)
            return {KeypadKey::Digit, QChar('0' + digit)};
    }
    return {KeypadKey::Other, {}};
}

std::optional<char> keypadLetter(QChar key)
{
    if (key.isDigit() && key.unicode() < 128)
        return DigitLetters[key.unicode() - '0'];
    if (key == QLatin1Char('*'))
        return 'M';
    if (key == QLatin1Char('#'))
        return 'O';
    const QChar letter = key.toUpper();
    if (letter == QLatin1Char('D') || letter == QLatin1Char('H') || letter == QLatin1Char('L') ||
        letter == QLatin1Char('P'))
        return char(letter.unicode());
    return std::nullopt;
}

KeypadStep keypadStep(const QString &entry, char character, int codeLength)
{
    const KeypadKey key = keypadKey(character);
    switch (key.kind) {
    case KeypadKey::Clear:
        return {};
    case KeypadKey::EndOfFile:
        return {entry, false, true};
    case KeypadKey::Digit:
        return {entry + key.digit, entry.size() + 1 >= codeLength, false};
    case KeypadKey::Other:
        break;
    }
    return {entry, entry.size() >= codeLength, false};
}
