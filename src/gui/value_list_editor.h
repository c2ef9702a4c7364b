#pragma once

#include <QStringList>
#include <QTableWidget>

/// A two-column key/value editor with a fixed header row: each value row
/// is free text, text with an ellipsis button, or a read-only pick list.
/// Rows count from 1 as the header is row 0.
class ValueListEditor : public QTableWidget {
    Q_OBJECT
public:
    enum class EditStyle { Text, Ellipsis, PickList };

    explicit ValueListEditor(QWidget* parent = nullptr);

    /// Replaces all rows with the given keys (rows 1..n), values empty.
    void setKeys(const QStringList& keys);

    void setEditStyle(int row, EditStyle style, const QStringList& pickList = {});
    EditStyle editStyle(int row) const;
    QStringList pickList(int row) const;

    QString key(int row) const;
    QString value(int row) const;
    void setValue(int row, const QString& text);

    /// The current row (1..n), 0 when none.
    int row() const { return currentRow() + 1; }
    void setRow(int row);

    /// Clicks the ellipsis button of a row (as the user would).
    void clickEditButton(int row);

Q_SIGNALS:
    /// The ellipsis button of the current row was clicked.
    void editButtonClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* editorFor(int row) const { return cellWidget(row - 1, 1); }
    QList<EditStyle> styles_;
};
