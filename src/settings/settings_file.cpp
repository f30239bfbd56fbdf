#include "settings_file.h"

#include "common/error_text.h"
#include "common/number_text.h"
#include "settings_rules.h"

#include <QFile>
#include <QSaveFile>
#include <QStringList>
#include <array>

namespace {

using S = StationSettings;
using FieldRef = SettingsField;

struct Item {
    const char *name;
    FieldRef field;
};

// File order of the items.
const std::array<Item, SettingsFile::ItemCount> items{{
    {"DataDbPath", &S::DataDbPath},
    {"GateDbPath", &S::GateDbPath},
    {"RelayCommPort", &S::RelayCommPort},
    {"RelayCloseSeconds", &S::RelayCloseSeconds},
    {"RelayBaud", &S::RelayBaud},
    {"RelayParity", &S::RelayParity},
    {"RelayDataBits", &S::RelayDataBits},
    {"RelayStopBits", &S::RelayStopBits},
    {"RelayNumber", &S::RelayNumber},
    {"Keypad1CommPort", &S::Keypad1CommPort},
    {"Keypad1Baud", &S::Keypad1Baud},
    {"Keypad1Parity", &S::Keypad1Parity},
    {"Keypad1DataBits", &S::Keypad1DataBits},
    {"Keypad1StopBits", &S::Keypad1StopBits},
    {"CodeLength", &S::CodeLength},
    {"Keypad2CommPort", &S::Keypad2CommPort},
    {"Keypad2Baud", &S::Keypad2Baud},
    {"Keypad2Parity", &S::Keypad2Parity},
    {"Keypad2DataBits", &S::Keypad2DataBits},
    {"Keypad2StopBits", &S::Keypad2StopBits},
    {"Keypad1Location", &S::Keypad1Location},
    {"Keypad2Location", &S::Keypad2Location},
    {"CompanyName", &S::CompanyName},
    {"CompanyAddress", &S::CompanyAddress},
    {"CompanyCityStateZip", &S::CompanyCityStateZip},
    {"CompanyPhone", &S::CompanyPhone},
    {"MinimizeAtStartup", &S::MinimizeAtStartup},
    {"LogViewDays", &S::LogViewDays},
    {"LogDaysToKeep", &S::LogDaysToKeep},
}};

template <class... F> struct Overload : F... {
    using F::operator()...;
};
// clang 14 deduces no aggregate's template arguments by itself.
template <class... F> Overload(F...) -> Overload<F...>;

QString quoted(const QString &text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

QString encode(const S &s, const FieldRef &field)
{
    return std::visit(Overload{
                          [&](QString S::*f) { return quoted(s.*f); },
                          [&](QChar S::*f) { return quoted(QString(s.*f)); },
                          [&](quint8 S::*f) { return QString::number(s.*f); },
                          [&](qint16 S::*f) { return QString::number(s.*f); },
                          [&](bool S::*f) {
                              return QString(s.*f ? QStringLiteral("#TRUE#")
                                                  : QStringLiteral("#FALSE#"));
                          },
                      },
                      field);
}

bool isLineEnd(QChar c)
{
    return c == QLatin1Char('\r') || c == QLatin1Char('\n');
}

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

// Reads items one by one: blanks before an item are skipped, a comma or a line
// end (CR LF counting once) ends it, and a quoted item runs to the next quote.
class ItemReader {
public:
    explicit ItemReader(const QString &text)
        : m_text(text)
    {}

    bool next(QString &item)
    {
        while (m_pos < m_text.size() && isBlank(m_text[m_pos]))
            ++m_pos;
        if (m_pos >= m_text.size())
            return false;
        if (m_text[m_pos] == QLatin1Char('"')) {
            const qsizetype close = m_text.indexOf(QLatin1Char('"'), m_pos + 1);
            const qsizetype end = close < 0 ? m_text.size() : close;
            item = m_text.mid(m_pos + 1, end - m_pos - 1);
            m_pos = end + 1;
            skipSeparator();
            return true;
        }
        const qsizetype start = m_pos;
        while (m_pos < m_text.size() && m_text[m_pos] != QLatin1Char(',') &&
               !isLineEnd(m_text[m_pos]))
            ++m_pos;
        item = m_text.mid(start, m_pos - start);
        while (!item.isEmpty() && isBlank(item.back()))
            item.chop(1);
        skipSeparator();
        return true;
    }

private:
    // Moves past the next separator; anything between a closing quote and it is ignored.
    void skipSeparator()
    {
        while (m_pos < m_text.size() && m_text[m_pos] != QLatin1Char(',') &&
               !isLineEnd(m_text[m_pos]))
            ++m_pos;
        if (m_pos >= m_text.size())
            return;
        const bool cr = m_text[m_pos] == QLatin1Char('\r');
        ++m_pos;
        if (cr && m_pos < m_text.size() && m_text[m_pos] == QLatin1Char('\n'))
            ++m_pos;
    }

    const QString &m_text;
    qsizetype m_pos = 0;
};

// Stores one item into its field; false when it does not fit the field's type.
bool decode(S &s, const FieldRef &field, const QString &item)
{
    return std::visit(Overload{
                          [&](QString S::*f) {
                              s.*f = item;
                              return true;
                          },
                          [&](QChar S::*f) {
                              s.*f = oneCharacter(item);
                              return true;
                          },
                          [&](auto S::*f) {
                              const auto [min, max] = SettingsRules::storableRange(field);
                              const auto v = wholeNumberIn(item, min, max);
                              if (v)
                                  s.*f = static_cast<std::remove_reference_t<decltype(s.*f)>>(*v);
                              return v.has_value();
                          },
                          [&](bool S::*f) {
                              const QString word = item.toUpper();
                              if (word != QLatin1String("#TRUE#") &&
                                  word != QLatin1String("#FALSE#"))
                                  return false;
                              s.*f = word == QLatin1String("#TRUE#");
                              return true;
                          },
                      },
                      field);
}

} // namespace

namespace SettingsFile {

QByteArray format(const StationSettings &settings)
{
    QStringList encoded;
    for (const Item &item : items)
        encoded << encode(settings, item.field);
    return (encoded.join(QLatin1Char(',')) + QStringLiteral("\r\n")).toUtf8();
}

bool parse(const QByteArray &content, StationSettings &settings, QString *error)
{
    const QString text = QString::fromUtf8(content);
    ItemReader reader(text);
    StationSettings read = settings;
    for (int i = 0; i < ItemCount; ++i) {
        QString value;
        if (!reader.next(value)) {
            setError(error,
                     QStringLiteral("the file ends after %1 of %2 items").arg(i).arg(ItemCount));
            return false;
        }
        if (!decode(read, items[i].field, value)) {
            setError(error, QStringLiteral("item %1 (%2) is not a valid value: \"%3\"")
                                .arg(i + 1)
                                .arg(QLatin1String(items[i].name), value));
            return false;
        }
    }
    settings = read;
    return true;
}

bool load(const QString &fileName, StationSettings &settings, QString *error)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        setError(error, QStringLiteral("cannot read %1: %2").arg(fileName, file.errorString()));
        return false;
    }
    return parse(file.readAll(), settings, error);
}

bool save(const QString &fileName, const StationSettings &settings, QString *error)
{
    for (const Item &item : items) {
        const bool text = std::holds_alternative<QString S::*>(item.field) ||
                          std::holds_alternative<QChar S::*>(item.field);
        const QString fault = text ? SettingsRules::unusable(settings, item.field) : QString();
        if (!fault.isEmpty()) {
            setError(error, QStringLiteral("%1 %2").arg(QLatin1String(item.name), fault));
            return false;
        }
    }
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(format(settings)) < 0 || !file.commit()) {
        setError(error, QStringLiteral("cannot write %1: %2").arg(fileName, file.errorString()));
        return false;
    }
    return true;
}

} // namespace SettingsFile
