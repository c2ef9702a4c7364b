#include "support/fake_dialogs.h"

#include <gtest/gtest.h>

namespace testing_support {

namespace {
template <typename T> std::optional<T> pop(std::deque<T>& q, const QString& what) {
    if (q.empty()) {
        ADD_FAILURE() << "unscripted dialog: " << what.toStdString();
        return std::nullopt;
    }
    T v = q.front();
    q.pop_front();
    return v;
}

QString describe(platform::Button b) {
    switch (b) {
    case platform::NoButton:
        return QStringLiteral("NoButton");
    case platform::Ok:
        return QStringLiteral("Ok");
    case platform::Cancel:
        return QStringLiteral("Cancel");
    case platform::Yes:
        return QStringLiteral("Yes");
    case platform::No:
        return QStringLiteral("No");
    case platform::YesToAll:
        return QStringLiteral("YesToAll");
    case platform::Abort:
        return QStringLiteral("Abort");
    case platform::Retry:
        return QStringLiteral("Retry");
    case platform::Ignore:
        return QStringLiteral("Ignore");
    }
    return QString::number(int(b));
}

QString describe(const QString& s) {
    return u'"' + s + u'"';
}

QString describe(const std::optional<QString>& s) {
    return s ? describe(*s) : QStringLiteral("cancel");
}

QString describe(const QStringList& list) {
    QStringList quoted;
    for (const QString& s : list)
        quoted.append(describe(s));
    return u'[' + quoted.join(QStringLiteral(", ")) + u']';
}

template <typename T> void checkUsed(std::deque<T>& q, const char* name) {
    if (q.empty())
        return;
    QStringList left;
    for (const T& answer : q)
        left.append(describe(answer));
    ADD_FAILURE() << "scripted answers never used in " << name << ": "
                  << left.join(QStringLiteral(", ")).toStdString();
    q.clear();
}
} // namespace

FakeDialogs::~FakeDialogs() {
    if (!::testing::Test::HasFatalFailure())
        verifyAllAnswersUsed();
}

void FakeDialogs::verifyAllAnswersUsed() {
    checkUsed(buttonAnswers, "buttonAnswers");
    checkUsed(inputAnswers, "inputAnswers");
    checkUsed(openAnswers, "openAnswers");
    checkUsed(saveAnswers, "saveAnswers");
    checkUsed(folderAnswers, "folderAnswers");
}

platform::Button FakeDialogs::message(platform::MsgKind kind, const QString& text,
                                      platform::Buttons buttons, QPoint offset) {
    shown.append({ShownDialog::Message, kind, text, {}, buttons, offset});
    if (buttons == platform::Ok)
        return platform::Ok; // a box with only OK needs no script
    return pop(buttonAnswers, text).value_or(platform::Cancel);
}

void FakeDialogs::plainMessage(const QString& text) {
    shown.append({ShownDialog::Plain, platform::MsgKind::Information, text, {}, platform::Ok, {}});
}

void FakeDialogs::errorMessage(const QString& text) {
    shown.append({ShownDialog::ErrorBox, platform::MsgKind::Error, text, {}, platform::Ok, {}});
}

std::optional<QString> FakeDialogs::inputText(const QString& caption, const QString& prompt,
                                              const QString&) {
    shown.append({ShownDialog::Input, platform::MsgKind::Information, prompt, caption, 0, {}});
    auto answer = pop(inputAnswers, prompt);
    return answer ? *answer : std::nullopt;
}

QStringList FakeDialogs::openFiles(const QString& title, const QString&, const QString&) {
    shown.append({ShownDialog::OpenFiles, platform::MsgKind::Information, title, title, 0, {}});
    return pop(openAnswers, title).value_or(QStringList{});
}

QString FakeDialogs::saveFile(const QString& title, const QString&, const QString&,
                              const QString&) {
    shown.append({ShownDialog::SaveFile, platform::MsgKind::Information, title, title, 0, {}});
    return pop(saveAnswers, title).value_or(QString{});
}

QString FakeDialogs::chooseFolder(const QString& prompt, const QString&, bool) {
    shown.append({ShownDialog::Folder, platform::MsgKind::Information, prompt, {}, 0, {}});
    return pop(folderAnswers, prompt).value_or(QString{});
}

QStringList FakeDialogs::texts() const {
    QStringList out;
    for (const ShownDialog& d : shown)
        out.append(d.text);
    return out;
}

} // namespace testing_support
