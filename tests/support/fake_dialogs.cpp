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
} // namespace

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
