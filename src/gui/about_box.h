#pragma once

#include <QDialog>
#include <QUrl>

class QLabel;

/// The About box: one picture over the whole window and a small link
/// picture that opens the project's page (the About page of the help
/// document, which is there without a network). A click on the picture
/// closes it.
class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);
    /// The page the link picture opens.
    void setWebPage(const QUrl& page) { webPage_ = page; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static QPixmap picture();
    static QPixmap linkPicture();

    QUrl webPage_;
    QLabel* Image1 = nullptr; ///< the picture
    QLabel* Link = nullptr;   ///< the link picture
};
