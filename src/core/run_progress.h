#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

/// What a run that places or removes files counts and collects as it goes:
/// the run owns one (its result struct is one), hands it to each step, and
/// its end reads the closing status and the failed copies from it. Nothing
/// of it outlives the run.
struct RunProgress {
    /// The status text the steps put before what they do to each file
    /// ("  Installing DM-Foo").
    QString ProgressText;
    /// Files placed (or deleted) so far.
    qint32 ProgressDone = 0;
    /// The archives of the run; one less for each the user refused.
    qint32 ProgressTotal = 0;
    /// Files the run could not copy into the game ("name -> folder:
    /// reason"), named to the user at its end.
    QStringList FailedCopies;
};
