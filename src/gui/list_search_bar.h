#pragma once

#include "core/content_catalogue.h"

#include <QLineEdit>

class QListWidget;
namespace platform {
class StatusSink;
}

/// The one-line search above the two lists of a content page (Ctrl+F):
/// hidden until opened, it narrows both lists to the entries whose names
/// hold its text, ignoring case, on top of what the lists were filled with
/// (the game-type filter). Escape, or the text emptied, closes it and shows
/// every entry again. While it is open the status line counts the entries
/// shown. Its object name is "Search" + the left list's name. Entries are
/// hidden, not removed, so a list keeps every entry for
/// sorting, reports and the look-up of records.
class ListSearchBar : public QLineEdit {
    Q_OBJECT
public:
    ListSearchBar(catalogue::ContentKind kind, QListWidget* notInstalled, QListWidget* installed,
                  platform::StatusSink& status, QWidget* parent = nullptr);

    /// Shows the search with the keyboard in it, its text selected.
    void open();
    /// Hides the search and shows every entry again.
    void closeSearch();
    /// Open, or holding text.
    bool active() const { return !isHidden() || !text().isEmpty(); }
    /// While active: the status line counts the entries shown (after a
    /// reload has set the counts of the whole lists).
    void showCounts();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    /// Hides the entries the text does not find and shows the others; a
    /// hidden entry is no longer selected, so no command acts on what the
    /// user cannot see.
    void narrow(QListWidget* list);
    void textEdited(const QString& text);
    void setCounts();

    catalogue::ContentKind kind_;
    QListWidget* notInstalled_;
    QListWidget* installed_;
    platform::StatusSink& status_;
};
