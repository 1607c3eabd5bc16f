#pragma once
#include "platform/db/value.h"
#include <QList>
#include <QString>
#include <functional>
#include <optional>

class QWidget;
namespace db { class Query; }

// A record dialog described once: each input with its column, the name the
// operator knows it by, what its text must be, how it is written and how it
// is reset. Insert, update, load, clear, the check before a write and the
// required-inputs rule are all read from that one table.
namespace personnel {

struct RecordField {
    enum class Kind {
        Text,       // a text as it stands
        Date,       // a masked date, written as the date it names
        DateText,   // a masked date, written as its text
        Integer,    // a whole number
        IdCard,     // a text; at 15 or 18 characters the birth date it holds must exist
    };
    const char* column;
    QString name;                       // "工龄", as the messages name it
    QWidget* input;
    Kind kind = Kind::Text;
    bool required = true;               // its text (untrimmed) must not be empty to enable 保存
    bool trimAtInsert = true;           // the insert takes the text as typed otherwise
    std::optional<QString> clearTo = QString();   // what a reset puts in; none: left as it is
};
using RecordFields = QList<RecordField>;

// Every required input has text; a blank counts, a masked input always has.
bool allFilled(const RecordFields& fields);

// Runs `rule` after every change of a required input, and makes each date
// input refuse, when it is left, a date that does not exist.
void watchInputs(const RecordFields& fields, const std::function<void()>& rule);

// The first input whose text its kind cannot take, with a message naming it
// ("工龄必须是整数"); none when every value can be written. An identity card
// is looked at first: the birth date input follows it.
struct Refusal {
    QWidget* input;
    QString message;
};
std::optional<Refusal> firstRefusal(const RecordFields& fields);
// Shows the first refusal (information box, caption 提示) owned by `owner`
// and puts the focus on its input; true when every value can be written.
bool acceptInputs(const RecordFields& fields, QWidget* owner);
// The message for one input, empty when its text is fine.
QString refusalOf(const RecordField& f);

// What a field writes: the insert takes untrimmed texts where the table says
// so; the update always trims. Dates are written as the date named, whole
// numbers as numbers. db::Error for a text its kind cannot take.
db::Value insertValue(const RecordField& f);
db::Value updateValue(const RecordField& f);

// The current row into the inputs, in the table's order (Null and no row give
// empty texts; a stored date shows with its zeros, as the mask takes it).
void loadRow(const RecordFields& fields, const db::Query& q);
// Each input to its reset text; inputs without one stay as they are.
void clearInputs(const RecordFields& fields);

}
