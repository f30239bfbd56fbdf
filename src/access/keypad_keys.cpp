#include "keypad_keys.h"

KeypadKey keypadKey(char character)
{
    static constexpr char digitLetters[] = "NABCEFGIJK"; // index = digit
    constexpr char endOfFile = 0x1A;
    if (character == 'M' || character == 'O')
        return {KeypadKey::Clear, {}};
    if (character == endOfFile)
        return {KeypadKey::EndOfFile, {}};
    for (int digit = 0; digit < 10; ++digit) {
        if (digitLetters[digit] == character)
            return {KeypadKey::Digit, QChar('0' + digit)};
    }
    return {KeypadKey::Other, {}};
}
