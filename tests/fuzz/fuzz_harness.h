#pragma once

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <utility>

// What every fuzz target shares. The same target sources run under libFuzzer
// (make fuzz) and through replay_main.cpp, which feeds each corpus file once
// (make test); both abort on a broken check, so libFuzzer keeps the input and
// the replay fails.

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

[[noreturn]] void fuzzFailure(const char *check, const char *file, int line);

// A promise the parser under test makes, checked on every input.
#define FUZZ_CHECK(condition) ((condition) ? void() : fuzzFailure(#condition, __FILE__, __LINE__))

// The input without a copy; valid while the call lasts.
inline QByteArray fuzzBytes(const uint8_t *data, size_t size)
{
    return QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
}

// Reads an input a byte at a time for targets whose input steers them; past the
// end it answers 0.
class FuzzReader {
public:
    FuzzReader(const uint8_t *data, size_t size)
        : m_data(data)
        , m_size(size)
    {}
    bool atEnd() const { return m_pos >= m_size; }
    uint8_t byte() { return atEnd() ? 0 : m_data[m_pos++]; }
    QByteArray rest() { return fuzzBytes(m_data + m_pos, m_size - std::exchange(m_pos, m_size)); }

private:
    const uint8_t *m_data;
    size_t m_size;
    size_t m_pos = 0;
};

// A folder of the process's own, removed at exit; in memory where /dev/shm
// exists, since targets write a file or a database per input.
QString fuzzFolder();

// `file` written whole with `content`.
void writeFuzzFile(const QString &file, const QByteArray &content);

// A gate database made from schema/gate.sql.
void makeGateDatabase(const QString &file);
