#include "personnel/record_fields.h"
#include "personnel/employee_rules.h"
#include "platform/db/convert.h"
#include "platform/db/error.h"
#include "platform/db/query.h"
#include "platform/ui/controls.h"
#include "platform/ui/modal.h"
#include "platform/ui/rowbind.h"
#include "platform/text/text.h"
#include <QWidget>

namespace personnel {

using Kind = RecordField::Kind;

bool allFilled(const RecordFields& fields)
{
    for (const RecordField& f : fields)
        if (f.required && ui::controlText(f.input).isEmpty()) return false;
    return true;
}

void watchInputs(const RecordFields& fields, const std::function<void()>& rule)
{
    for (const RecordField& f : fields) {
        if (f.required) {
            if (auto* e = qobject_cast<ui::Edit*>(f.input)) e->onChange = rule;
            else if (auto* c = qobject_cast<ui::ComboBox*>(f.input)) c->onChange = rule;
            else if (auto* m = qobject_cast<ui::MaskEdit*>(f.input)) m->onChange = rule;
            else if (auto* m = qobject_cast<ui::Memo*>(f.input)) m->onChange = rule;
        }
        if (auto* m = qobject_cast<ui::MaskEdit*>(f.input); m && (f.kind == Kind::Date || f.kind == Kind::DateText))
            m->leaveCheck = [f] { return refusalOf(f); };
    }
}

QString refusalOf(const RecordField& f)
{
    const QString t = ui::controlText(f.input);
    switch (f.kind) {
    case Kind::Date:
    case Kind::DateText:
        return db::parseDate(t) ? QString() : QStringLiteral("%1必须是有效的日期").arg(f.name);
    case Kind::Integer:
        try {
            db::toInteger(t);
            return QString();
        } catch (const db::Error&) {
            return QStringLiteral("%1必须是整数").arg(f.name);
        }
    case Kind::IdCard:
        if (const auto birth = birthDateFromIdCard(t); birth && !db::parseDate(*birth))
            return QStringLiteral("%1中的出生日期%2不存在").arg(f.name, *birth);
        break;
    case Kind::Text:
        break;
    }
    return QString();
}

std::optional<Refusal> firstRefusal(const RecordFields& fields)
{
    for (bool idCards : {true, false})
        for (const RecordField& f : fields)
            if ((f.kind == Kind::IdCard) == idCards)
                if (const QString m = refusalOf(f); !m.isEmpty()) return Refusal{f.input, m};
    return std::nullopt;
}

bool acceptInputs(const RecordFields& fields, QWidget* owner)
{
    const auto refusal = firstRefusal(fields);
    if (!refusal) return true;
    ui::info(refusal->message, owner);
    refusal->input->setFocus(Qt::OtherFocusReason);
    return false;
}

static db::Value valueOf(const RecordField& f, bool trimmed)
{
    const QString typed = ui::controlText(f.input);
    const QString t = trimmed ? text::trim(typed) : typed;
    switch (f.kind) {
    case Kind::Date: return db::Value::date(db::toDate(t));
    case Kind::Integer: return db::Value::integer(db::toInteger(t));
    case Kind::DateText:
    case Kind::IdCard:
    case Kind::Text: break;
    }
    return db::Value::text(t);
}

db::Value insertValue(const RecordField& f) { return valueOf(f, f.trimAtInsert); }

db::Value updateValue(const RecordField& f) { return valueOf(f, true); }

void loadRow(const RecordFields& fields, const db::Query& q)
{
    for (const RecordField& f : fields) {
        const db::Value v = q.field(QString::fromUtf8(f.column));
        const bool date = f.kind == Kind::Date || f.kind == Kind::DateText;
        ui::setControlText(f.input, date ? dateInputText(v) : v.toText());
    }
}

void clearInputs(const RecordFields& fields)
{
    for (const RecordField& f : fields)
        if (f.clearTo) ui::setControlText(f.input, *f.clearTo);
}

}
