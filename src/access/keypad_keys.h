#pragma once

#include <QChar>

// What one character from a keypad means. Each key sends one upper-case letter:
// A B C E F G I J K N are 1 to 9 and 0, M and O clear the entry.
struct KeypadKey {
    enum Kind { Digit, Clear, EndOfFile, Other };
    Kind kind = Other;
    QChar digit;
};

KeypadKey keypadKey(char character);
