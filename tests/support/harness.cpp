#include "harness.h"
#include "data/session.h"
#include "data/U_data.h"
#include "data/schema.h"
#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QTest>
#include <sqlite3.h>
#include <utility>

namespace hrtest {

ScriptedModal::ScriptedModal() { previous_ = ui::setModalHandler(this); }
ScriptedModal::~ScriptedModal() { ui::setModalHandler(previous_); }

QStringList ScriptedModal::texts() const
{
    QStringList l;
    for (const auto& m : messages) l << m.text;
    return l;
}

QString ScriptedModal::lastText() const { return messages.isEmpty() ? QString() : messages.back().text; }

ui::Answer ScriptedModal::message(const ui::MessageRequest& r)
{
    messages.push_back(r);
    if (r.buttons == ui::Buttons::Ok) return ui::Answer::Ok;
    if (whileAsking) std::exchange(whileAsking, nullptr)();
    if (answers.isEmpty()) {
        ADD_FAILURE() << "unanswered question: " << r.text.toStdString();
        return r.buttons == ui::Buttons::YesNo ? ui::Answer::No : ui::Answer::Cancel;
    }
    return answers.takeFirst();
}

QString ScriptedModal::file(const ui::FileRequest& r)
{
    fileRequests.push_back(r);
    return files.isEmpty() ? QString() : files.takeFirst();
}

int ScriptedModal::execDialog(QDialog* dlg)
{
    dialogsShown << QString::fromLatin1(dlg->metaObject()->className());
    dialogResult = QDialog::Rejected;
    dlg->setResult(QDialog::Rejected);
    dlg->show();
    QApplication::processEvents();
    if (onDialog) {
        auto cb = onDialog;      // a nested dialog may replace it
        cb(dlg);
    }
    if (dlg->isVisible()) dlg->close();
    QApplication::processEvents();
    dialogResult = dlg->result();
    return dialogResult;
}

void ScriptedModal::quit() { ++quitCount; }

static QString makeDb(const QString& path)
{
    sqlite3* h = nullptr;
    if (sqlite3_open_v2(path.toUtf8().constData(), &h, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK)
        return QString::fromUtf8(sqlite3_errmsg(h));
    char* err = nullptr;
    QString result;
    if (sqlite3_exec(h, data::schemaSql(), nullptr, nullptr, &err) != SQLITE_OK) {
        result = QString::fromUtf8(err);
        sqlite3_free(err);
    }
    sqlite3_close(h);
    return result;
}

TestDb::TestDb() : dir_(std::make_unique<QTemporaryDir>())
{
    oldCwd_ = QDir::currentPath();
    QDir::setCurrent(dir_->path());
    QString err = makeDb(path());
    if (!err.isEmpty()) ADD_FAILURE() << "schema: " << err.toStdString();
    Data1 = new TData1(path());
}

TestDb::~TestDb()
{
    delete Data1;
    Data1 = nullptr;
    QDir::setCurrent(oldCwd_);
}

QString TestDb::dir() const { return dir_->path(); }
QString TestDb::path() const { return dir_->path() + QStringLiteral("/db_corvelin_Data.mdb"); }

// Checks go through their own connection so they see exactly what was committed.
static sqlite3* openSide(const QString& path)
{
    sqlite3* h = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &h, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_busy_timeout(h, 5000);
    return h;
}

void TestDb::exec(const QString& sql)
{
    sqlite3* h = openSide(path());
    char* err = nullptr;
    if (sqlite3_exec(h, sql.toUtf8().constData(), nullptr, nullptr, &err) != SQLITE_OK) {
        ADD_FAILURE() << "exec: " << (err ? err : "?") << " in " << sql.toStdString();
        sqlite3_free(err);
    }
    sqlite3_close(h);
}

QStringList TestDb::rows(const QString& sql)
{
    QStringList out;
    sqlite3* h = openSide(path());
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(h, sql.toUtf8().constData(), -1, &st, nullptr) != SQLITE_OK) {
        ADD_FAILURE() << "rows: " << sqlite3_errmsg(h) << " in " << sql.toStdString();
        sqlite3_close(h);
        return out;
    }
    while (sqlite3_step(st) == SQLITE_ROW) {
        QStringList cols;
        for (int i = 0; i < sqlite3_column_count(st); ++i) {
            switch (sqlite3_column_type(st, i)) {
            case SQLITE_NULL: cols << QStringLiteral("<null>"); break;
            case SQLITE_BLOB: cols << QStringLiteral("<blob %1>").arg(sqlite3_column_bytes(st, i)); break;
            default: cols << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, i)));
            }
        }
        out << cols.join(QLatin1Char('|'));
    }
    sqlite3_finalize(st);
    sqlite3_close(h);
    return out;
}

QString TestDb::scalar(const QString& sql)
{
    QStringList r = rows(sql);
    if (r.isEmpty()) return QString();
    QString v = r.first().section(QLatin1Char('|'), 0, 0);
    return v == QStringLiteral("<null>") ? QString() : v;
}

int TestDb::count(const QString& table) { return scalar(QStringLiteral("select count(*) from ") + table).toInt(); }

void HrTest::SetUp()
{
    session() = Session{};
    modal = std::make_unique<ScriptedModal>();
    db = std::make_unique<TestDb>();
}

void HrTest::TearDown()
{
    db.reset();
    modal.reset();
}

namespace {
FailureLog* failureLog = nullptr;
QtMessageHandler passOn = nullptr;

void collectFailure(QtMsgType type, const QMessageLogContext& ctx, const QString& msg)
{
    if (failureLog && ctx.category && qstrcmp(ctx.category, "hrms.failure") == 0) {
        failureLog->lines << msg;
        return;
    }
    if (passOn) passOn(type, ctx, msg);
}
}

FailureLog::FailureLog()
{
    failureLog = this;
    previous_ = qInstallMessageHandler(collectFailure);
    passOn = previous_;
}

FailureLog::~FailureLog()
{
    qInstallMessageHandler(previous_);
    failureLog = nullptr;
    passOn = nullptr;
}

void pressKey(QWidget* w, int key, Qt::KeyboardModifiers mods)
{
    QTest::keyClick(w, static_cast<Qt::Key>(key), mods);
}

// QTest::keyClicks aborts on non-ASCII text, so each character goes as a key
// event carrying its text, as an input method would deliver it.
void typeText(QWidget* w, const QString& text)
{
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &release);
    }
}

}
