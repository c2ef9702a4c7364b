#pragma once

#include <QButtonGroup>
#include <QObject>
#include <QString>

#include <gtest/gtest.h>

#include <stdexcept>

/// The control named `name` below `parent`: controls carry their specified
/// names as object names, and tests find them as a user finds them on the
/// screen. A missing control fails the test at once.
template <typename T> T* control(const QObject& parent, const QString& name) {
    T* found = parent.findChild<T*>(name);
    if (!found) {
        const std::string what =
            "no " + std::string(T::staticMetaObject.className()) + " named " + name.toStdString();
        ADD_FAILURE() << what;
        throw std::logic_error(what);
    }
    return found;
}

/// The buttons of the radio group named `name` (rbCache, rbUzAction).
inline QButtonGroup* choices(const QObject& parent, const QString& name) {
    return control<QButtonGroup>(*control<QObject>(parent, name), QString());
}
