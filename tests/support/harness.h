#pragma once
#include "platform/ui/modal.h"
#include <QApplication>
#include <QDialog>
#include <QList>
#include <QStringList>
#include <QTemporaryDir>
#include <QVector>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

class TData1;

namespace hrtest {

// Answers the modal seam and records what was shown. No test ever blocks.
class ScriptedModal : public ui::ModalHandler {
public:
    ScriptedModal();
    ~ScriptedModal() override;

    // Recorded message boxes, in order.
    QVector<ui::MessageRequest> messages;
    QStringList texts() const;              // just the texts
    QString lastText() const;
    void clear() { messages.clear(); }

    // Answers for Yes/No and Ok/Cancel boxes, consumed in order. A question
    // with no answer queued fails the test and answers No.
    QList<ui::Answer> answers;
    void answerYes() { answers << ui::Answer::Yes; }
    void answerNo() { answers << ui::Answer::No; }
    // Runs while a question waits for its answer (another copy of the program at work meanwhile).
    std::function<void()> whileAsking;

    // File dialog answers, consumed in order ("" = cancelled). Requests recorded.
    QStringList files;
    QVector<ui::FileRequest> fileRequests;

    // Nested dialogs: the dialog is shown (its show handler runs), then this
    // callback drives it; when it returns the dialog is closed if still open.
    // Without a callback the dialog is shown and closed at once.
    std::function<void(QDialog*)> onDialog;
    QList<QString> dialogsShown;            // class names, in order
    int dialogResult = QDialog::Rejected;

    int quitCount = 0;

    ui::Answer message(const ui::MessageRequest& r) override;
    QString file(const ui::FileRequest& r) override;
    int execDialog(QDialog* dlg) override;
    void quit() override;

private:
    ui::ModalHandler* previous_ = nullptr;
};

// A fresh database from the schema in a temporary folder, with Data1 on it.
// The working directory is that folder, as the program expects.
class TestDb {
public:
    TestDb();
    ~TestDb();
    QString path() const;
    QString dir() const;
    // Runs a statement directly (setup and checks), outside the shared queries.
    void exec(const QString& sql);
    // First column of the first row as text ("" for Null / no row).
    QString scalar(const QString& sql);
    // All rows, columns joined by '|', Null as "<null>".
    QStringList rows(const QString& sql);
    int count(const QString& table);
private:
    std::unique_ptr<QTemporaryDir> dir_;
    QString oldCwd_;
};

// Base fixture: a fresh database, Data1 and a scripted modal seam.
class HrTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    std::unique_ptr<TestDb> db;
    std::unique_ptr<ScriptedModal> modal;
};

// While it lives, collects what the guards write to the failure log
// ("hrms.failure"); other messages go on as before.
class FailureLog {
public:
    FailureLog();
    ~FailureLog();
    QStringList lines;
private:
    QtMessageHandler previous_;
};

// Key press into a widget as the operator would.
void pressKey(QWidget* w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier);
void typeText(QWidget* w, const QString& text);

// A dialog shown outside the modal seam, for tests that click it directly.
template <class T>
std::unique_ptr<T> shown()
{
    auto d = std::make_unique<T>(nullptr);
    d->show();
    QApplication::processEvents();
    return d;
}

}
