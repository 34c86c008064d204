// The broker-style files of tests/import/corpus and what the import makes of each, as its
// outcomes.txt records them.
#pragma once

#include <QFile>
#include <QStringList>
#include <QTextStream>
#include <vector>

namespace tesmo::test {

struct CorpusFile {
    QString name;
    int refused = 0;     // the problem of a file without headings
    QStringList before;  // its reading lines and rows as read
    QString remembered;  // the choices kept for its layout before it is read, as the ledger keeps them
    QString answer;      // the answers to its questions
    QString remembers;   // the choices kept for its layout once answered
    QStringList after;   // its reading lines and rows once answered
    QString path() const { return QStringLiteral(TESMO_IMPORT_CORPUS "/") + name; }
};

inline std::vector<CorpusFile> corpus()
{
    std::vector<CorpusFile> files;
    QFile f(QStringLiteral(TESMO_IMPORT_CORPUS "/outcomes.txt"));
    f.open(QIODevice::ReadOnly | QIODevice::Text);
    QTextStream in(&f);
    while (!in.atEnd()) {
        const QString line = in.readLine();
        if (line.startsWith(u"== "))
            files.push_back({line.mid(3), 0, {}, {}, {}, {}, {}});
        else if (line.startsWith(u"refused: "))
            files.back().refused = line.mid(9).toInt();
        else if (line.startsWith(u"remembered: "))
            files.back().remembered = line.mid(12);
        else if (line.startsWith(u"remembers: "))
            files.back().remembers = line.mid(11);
        else if (line.startsWith(u"answer: "))
            files.back().answer = line.mid(8);
        else if (!files.empty() && !line.isEmpty() && !line.startsWith(u"source: "))
            (files.back().answer.isEmpty() ? files.back().before : files.back().after) << line;
    }
    return files;
}

// The rows among reading lines and rows.
inline QStringList rowsOf(const QStringList &lines)
{
    QStringList rows;
    for (const QString &l : lines)
        if (!l.startsWith(u"reading: "))
            rows << l;
    return rows;
}

// The statuses of the import's rows, in their order, as outcomes.txt names them.
inline const char *const kStatus[] = {"New", "Already", "Twice", "Check", "Cancelled", "Deleted", "Sale",
                                      "NotAPurchase", "Refused", "Unsettled", "Action"};

} // namespace tesmo::test
