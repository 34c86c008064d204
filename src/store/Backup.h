// Copies of the ledger in the folder "Tesmo backups" beside it, made with
// SQLite's online backup API: a daily copy and a copy before each import,
// the newest ten of each kind kept. Only a file that opens as a Tesmo ledger
// is ever copied, and a copy appears under its name only once it is whole.
#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace tesmo::backup {

inline const QString kFolderName = QStringLiteral("Tesmo backups");
inline constexpr int kKeep = 10;

enum class Kind { Daily, BeforeImport };

// The folder of the backups of the ledger at ledgerPath.
QString folderOf(const QString &ledgerPath);

// The name of a copy made at the given time: "Tesmo 2024-05-01 14.30.05
// daily.mdb" or "Tesmo 2024-05-01 14.30.05 before import.mdb".
QString fileName(Kind kind, const QDateTime &at);

// The copies of a kind in the folder, newest first, by the time in their
// names; files of other names are not backups.
QStringList backups(const QString &folder, Kind kind);

// True when the folder holds no copy of either kind made less than a day
// before now.
bool dailyDue(const QString &ledgerPath, const QDateTime &now);

// Copies the ledger into its backup folder (made when missing), names the
// copy after now and its kind, and removes all but the newest kKeep copies
// of that kind. Returns the copy's path. Raises Error: 3105 for a file that
// is not a Tesmo ledger (nothing is copied), 3109 when the folder or the
// copy cannot be written, an engine error when the ledger cannot be read;
// no half-made copy is left behind.
QString makeCopy(const QString &ledgerPath, Kind kind, const QDateTime &now);

} // namespace tesmo::backup
