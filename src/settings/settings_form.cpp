#include "settings_form.h"

#include "common/number_text.h"
#include "settings_rules.h"

namespace {

using S = StationSettings;

const QString Keypad1 = QStringLiteral("Keypad 1 Settings");
const QString Keypad2 = QStringLiteral("Keypad 2 Settings");
const QString Relay = QStringLiteral("Relay Settings");
const QString Location = QStringLiteral("Enter, Exit, In, Out");
const QString Disable = QStringLiteral("Set 35 Disable");

QString text(const S &s, const SettingsField &field)
{
    return std::visit(
        [&](auto member) -> QString {
            const auto &value = s.*member;
            using T = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<T, QString>)
                return value;
            else if constexpr (std::is_same_v<T, QChar>)
                return QString(value);
            else if constexpr (std::is_same_v<T, bool>)
                return value ? QStringLiteral("True") : QStringLiteral("False");
            else
                return QString::number(value);
        },
        field);
}

template <class T> bool takeNumber(S &s, T S::*member, const QString &box)
{
    const auto [min, max] = SettingsRules::storableRange(member);
    const auto value = wholeNumberIn(box, min, max);
    if (value)
        s.*member = static_cast<T>(*value);
    return value.has_value();
}

// Takes a box's text into its field; false when the text is no value of the field's type.
bool take(S &s, const SettingsField &field, const QString &box)
{
    if (const auto *m = std::get_if<QString S::*>(&field)) {
        s.**m = box;
        return true;
    }
    if (const auto *m = std::get_if<QChar S::*>(&field)) {
        s.**m = oneCharacter(box);
        return true;
    }
    if (const auto *m = std::get_if<quint8 S::*>(&field))
        return takeNumber(s, *m, box);
    if (const auto *m = std::get_if<qint16 S::*>(&field))
        return takeNumber(s, *m, box);
    return false;
}

} // namespace

QString fullLabel(const SettingsBox &box)
{
    return box.group.isEmpty() ? box.label : box.group + QLatin1Char(' ') + box.label;
}

const QList<SettingsBox> &settingsBoxes()
{
    static const QList<SettingsBox> boxes = {
        {"txtScanner(7)",
         {},
         "Number of Digits in Code",
         "Number of Charators where Fire Process Code",
         &S::CodeLength},
        {"txtScanner(0)", Keypad1, "Comm Port", Disable, &S::Keypad1CommPort},
        {"txtScanner(1)", Keypad1, "Location", Location, &S::Keypad1Location},
        {"txtScanner(3)", Keypad1, "Baud", {}, &S::Keypad1Baud},
        {"txtScanner(4)", Keypad1, "Parity", {}, &S::Keypad1Parity},
        {"txtScanner(5)", Keypad1, "Data", {}, &S::Keypad1DataBits},
        {"txtScanner(6)", Keypad1, "Stop Bit", {}, &S::Keypad1StopBits},
        {"txtScanner(14)", Keypad2, "Comm Port", Disable, &S::Keypad2CommPort},
        {"txtScanner(13)", Keypad2, "Location", Location, &S::Keypad2Location},
        {"txtScanner(11)", Keypad2, "Baud", {}, &S::Keypad2Baud},
        {"txtScanner(10)", Keypad2, "Parity", {}, &S::Keypad2Parity},
        {"txtScanner(9)", Keypad2, "Data", {}, &S::Keypad2DataBits},
        {"txtScanner(8)", Keypad2, "Stop Bit", {}, &S::Keypad2StopBits},
        {"txtRelay(0)", Relay, "Comm Port", {}, &S::RelayCommPort},
        {"txtRelay(1)", Relay, "Close Time Seconds", {}, &S::RelayCloseSeconds},
        {"txtRelay(2)", Relay, "No Relay (0)", {}, &S::RelayNumber},
        {"txtRelay(3)", Relay, "Baud", {}, &S::RelayBaud},
        {"txtRelay(4)", Relay, "Parity", {}, &S::RelayParity},
        {"txtRelay(5)", Relay, "Data", {}, &S::RelayDataBits},
        {"txtRelay(6)", Relay, "Stop Bit", {}, &S::RelayStopBits},
        {"txtCompanyInfo(0)", {}, "Company", {}, &S::CompanyName},
        {"txtCompanyInfo(1)", {}, "Address", {}, &S::CompanyAddress},
        {"txtCompanyInfo(2)", {}, "City, State  Zip", {}, &S::CompanyCityStateZip},
        {"txtCompanyInfo(3)", {}, "Phone", {}, &S::CompanyPhone},
        {"txtCompanyInfo(4)",
         {},
         "View # Log Days",
         "Set Default Number of Days Log will Span",
         &S::LogViewDays},
        {"txtCompanyInfo(5)",
         {},
         "# of Days to Keep",
         "Set how many days back to start Deleting Log Files",
         &S::LogDaysToKeep},
        {"txtGateSystemLocation(0)", {}, "Gate.gsd for GateLog", {}, &S::GateDbPath},
        {"txtGateSystemLocation(1)",
         {},
         "tblUnitInfo For GateCodes   Data.gsd",
         {},
         &S::DataDbPath},
    };
    return boxes;
}

SettingsForm formFrom(const StationSettings &settings)
{
    SettingsForm form;
    for (const SettingsBox &box : settingsBoxes())
        form.insert(box.name, text(settings, box.field));
    return form;
}

std::optional<StationSettings> settingsFromForm(const SettingsForm &form,
                                                const StationSettings &current, QString *why,
                                                QString *badBox)
{
    StationSettings next = current;
    for (const SettingsBox &box : settingsBoxes()) {
        const QString text = form.value(box.name);
        QString fault = take(next, box.field, text) ? SettingsRules::unusable(next, box.field)
                                                    : QStringLiteral("is no value it can hold");
        if (!fault.isEmpty()) {
            if (why)
                *why = QStringLiteral("%1 \"%2\": %3; allowed: %4")
                           .arg(fullLabel(box), text, fault, SettingsRules::allowed(box.field));
            if (badBox)
                *badBox = box.name;
            return std::nullopt;
        }
    }
    return next;
}

QStringList changedAtNextStart(const StationSettings &before, const StationSettings &after)
{
    static const QList<SettingsField> runtime = {&S::Keypad1Location, &S::Keypad2Location,
                                                 &S::RelayCloseSeconds, &S::RelayNumber};
    QStringList changed;
    for (const SettingsBox &box : settingsBoxes()) {
        const bool atStart = box.name.startsWith(QLatin1String("txtGateSystemLocation(")) ||
                             (!box.group.isEmpty() && !runtime.contains(box.field));
        if (atStart && text(before, box.field) != text(after, box.field))
            changed << fullLabel(box);
    }
    return changed;
}

SettingsForm defaultBoxes(int index, const QString &startFolder)
{
    const StationSettings defaults = StationSettings::defaults(startFolder);
    const SettingsForm all = formFrom(defaults);
    static const QList<QStringList> groups = {
        {"txtGateSystemLocation(1)", "txtGateSystemLocation(0)", "txtCompanyInfo(4)",
         "txtCompanyInfo(5)"},
        {"txtScanner(0)", "txtScanner(1)", "txtScanner(3)", "txtScanner(4)", "txtScanner(5)",
         "txtScanner(6)"},
        {"txtScanner(14)", "txtScanner(13)", "txtScanner(11)", "txtScanner(10)", "txtScanner(9)",
         "txtScanner(8)"},
        {"txtRelay(0)", "txtRelay(1)", "txtRelay(2)", "txtRelay(3)", "txtRelay(4)", "txtRelay(5)",
         "txtRelay(6)"},
    };
    SettingsForm form;
    if (index < 0 || index >= groups.size())
        return form;
    for (const QString &name : groups[index])
        form.insert(name, all.value(name));
    return form;
}
