#pragma once

#include <QChar>
#include <QString>
#include <optional>

// What one character from a keypad means. Each key sends one upper-case letter:
// A B C E F G I J K N are 1 to 9 and 0, M and O clear the entry.
struct KeypadKey {
    enum Kind { Digit, Clear, EndOfFile, Other };
    Kind kind = Other;
    QChar digit;
};

KeypadKey keypadKey(char character);

// One character arriving from a keypad, applied to the shared entry: a digit
// is appended, a clear key empties it. The entry is decided once it holds
// `codeLength` characters, tested after every character that is no clear key.
struct KeypadStep {
    QString entry;
    bool decide = false;
    bool endOfFile = false;
};
KeypadStep keypadStep(const QString &entry, char character, int codeLength);

// What a keypad sends for a key: digits as their letters, '*' and '#' as the two
// clear keys M and O; the pad's other letters (D, H, L, P) as themselves.
// None for a key the pad does not have.
std::optional<char> keypadLetter(QChar key);
