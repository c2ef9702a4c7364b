#pragma once

#include "core/content_catalogue.h"
#include "gui/tags.h"

#include <QList>
#include <QString>
#include <QStringList>

class QAbstractItemView;
class QButtonGroup;
class QGroupBox;
class QListWidget;
class QVBoxLayout;
class QWidget;

/// Pieces the pages of the main window are built from.
namespace page_parts {

/// A content list: several entries may be selected; its popup menu is the
/// window's to open, never Qt's own.
QListWidget* contentList(const QString& name, int tag);
/// A list with its heading above it; the heading names the list for
/// screen readers.
QWidget* headedList(const QString& heading, QListWidget* list);
/// A frame around the current item while the view has the keyboard
/// focus, drawn in the colour of the item's text, so the focus shows in
/// every look whether the item is selected or not.
void showFocusFrame(QAbstractItemView* view);
/// A titled group of radio buttons, the first one checked.
QGroupBox* radioGroup(const QString& name, const QString& title, const QStringList& items,
                      QButtonGroup*& group);
/// A page of a list on the left and a column of controls on the right;
/// returns the column.
QVBoxLayout* listAndColumn(QWidget* page, QWidget* list);
/// Replaces the entries of a list.
void fill(QListWidget* list, const QStringList& entries);
/// The entries of a list, in list order.
QStringList entries(const QListWidget* list);
/// The selected entries of a list, in list order.
QStringList selectedEntries(const QListWidget* list);
/// The selected entries of a content list, in list order, each with its
/// position among entries of the same text: what names their records.
QList<catalogue::ListEntry> selectedListEntries(const QListWidget* list);
/// Selects the entries of `list` named by `entries` (as selectedListEntries
/// gives them), and only those: a list refilled keeps what was chosen.
void selectListEntries(QListWidget* list, const QList<catalogue::ListEntry>& entries);

/// The hint of the three "Delete file after installation" boxes.
QString deleteHint();

} // namespace page_parts
