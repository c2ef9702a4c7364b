#pragma once

#include <QString>
#include <QWidget>

class DesktopOpener;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QTextBrowser;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

/// Quorvel's help, compiled into the program, in a window of its own: the
/// contents (the document's sections) beside the text, back and forward
/// through the places visited, and find in page. It needs no browser and
/// no file beside the program; links to outside pages go to the desktop.
class HelpWindow : public QWidget {
    Q_OBJECT
public:
    /// The help document inside the program.
    static const QString DocumentUrl;

    /// `opener` takes the links to outside pages (not owned).
    HelpWindow(DesktopOpener& opener, QWidget* parent = nullptr);

    /// Shows the window in front, at the section `anchor` (the top when
    /// empty).
    void showTopic(const QString& anchor = {});

    /// The sections of the document (h2, h3 under the h2 before them) that
    /// carry an id: anchor and title, the level in `level`.
    struct Section {
        QString anchor;
        QString title;
        int level = 2;
    };
    static QList<Section> sections(const QString& html);
    /// The document as the text browser reads it: every element id also
    /// an anchor the browser can go to.
    static QString withAnchors(const QString& html);

private:
    /// The find field with its buttons and the line that says how it went.
    void buildBrowser();
    void buildContentsTree();
    QHBoxLayout* buildHistoryBar();
    QHBoxLayout* buildFindBar();
    void buildContents(const QString& html);
    void linkClicked(const QUrl& url);
    /// Finds the text of the find field from the cursor on, wrapping once.
    void findNext(bool backward);
    void sectionChosen(QTreeWidgetItem* item);

    DesktopOpener& opener_;
    QTextBrowser* HelpText = nullptr;
    QTreeWidget* HelpContents = nullptr;
    QToolButton* bBack = nullptr;
    QToolButton* bForward = nullptr;
    QLineEdit* FindText = nullptr;
    QLabel* FindStatus = nullptr;
};
