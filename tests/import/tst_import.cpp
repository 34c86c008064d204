// The text rules: the number test, currency text both ways, money as ticks,
// dates, and the field rules in their order (the fuzz targets check the round
// trips). The reading of brokers' CSV files into candidate lots: the corpus of
// files in brokers' layouts, read, answered, read again and remembered;
// numbers and dates; the duplicate check; the choices that change the
// reading.
#include "support/Corpus.h"

#include "import/ImportedSales.h"
#include "import/LotImport.h"
#include "text/Error.h"
#include "text/FieldRules.h"
#include "text/Limits.h"
#include "text/Regional.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QtTest>

using namespace tesmo;
using namespace tesmo::regional;

namespace {

// The reading lines, then one line per candidate: "line status
// name|ticker|shares|price|net|date", the reason after " : ".
QStringList describe(const LotImport &import)
{
    QStringList lines;
    for (const ReadingLine &l : import.readingLines())
        lines << QStringLiteral("reading: ") + l.sentence();
    for (qsizetype i = 0; i < qsizetype(import.lots().size()); ++i) {
        const CandidateLot &l = import.lots()[std::size_t(i)];
        const FieldTexts t = import.texts(i);
        lines << QStringLiteral("%1 %2 %3").arg(l.line).arg(QLatin1String(test::kStatus[int(l.status)]),
                                                           QStringList(t.begin() + kName1, t.end()).join(u'|'))
                     + (l.reason.isEmpty() ? QString() : " : " + l.reason);
    }
    return lines;
}

// Answers as the corpus writes them: "encoding=UTF-8 date=DMY decimal=, sign=negative column.ticker=4".
void answer(LotImport &import, const QString &answers)
{
    static const QStringList fields{"date", "ticker", "name", "shares", "price", "amount", "action"};
    for (const QString &a : answers.split(u' ', Qt::SkipEmptyParts)) {
        if (a.startsWith(u"encoding="))
            import.setEncoding(a.endsWith(u"UTF-8") ? TextEncoding::Utf8 : TextEncoding::Windows1252);
    }
    ImportChoices c = import.choices();
    for (const QString &a : answers.split(u' ', Qt::SkipEmptyParts)) {
        const QString key = a.section(u'=', 0, 0), value = a.section(u'=', 1);
        if (key == u"date")
            c.dateOrder = DateOrder(QStringList{"MDY", "DMY", "YMD"}.indexOf(value));
        else if (key == u"decimal")
            c.decimals.fill(value.front());
        else if (key == u"sign")
            c.purchaseSign = MoneySign(QStringList{"unsigned", "negative", "positive"}.indexOf(value));
        else if (key.startsWith(u"column."))
            c.columns[std::size_t(fields.indexOf(key.mid(7)))] = value.toInt();
    }
    import.setChoices(c);
}

LotImport readFile(const QString &path, StoredKeys keys = {}, RememberedLayouts layouts = {})
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    LotImport import(std::move(keys), {}, std::move(layouts));
    import.read(file);
    return import;
}

LotImport readText(const QString &text, StoredKeys keys = {}, StoredSales sales = {})
{
    LotImport import(std::move(keys), std::move(sales));
    import.readText(text.toUtf8());
    return import;
}

} // namespace

class ImportTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // The forms are fixed: a German default locale changes none of them.
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    }

    // The number test, and a text away from currency: "-$" keeps the dollar,
    // a wide first character is dropped whole.
    void isNumberAndAwayFromCurrency()
    {
        const struct { const char *text; bool number; const char *plain; } cases[] = {
            {"12.", true, "12."}, {".5", true, ".5"}, {"+-5", false, "+-5"}, {".", false, "."}, {"", false, ""},
            {"1,000", false, "1000"}, {"$1,234.5000", false, "1234.5000"}, {"-$5.00", false, "$5.00"},
            {"($5.00)", false, "$5.00)"}, {" 5", false, " 5"}, {"😀$5", false, "$5"}};
        for (const auto &c : cases) {
            const QString text = QString::fromUtf8(c.text);
            QVERIFY2(IsNumber(text) == c.number && AwayFromCurrency(text) == QString::fromUtf8(c.plain), c.text);
        }
    }

    // Signs, limits and what reads as no money: the fields' fuzz target.
    void moneyParsesExactlyAndRoundsHalfAway_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("ticks");   // -1: nothing
        QTest::addColumn<QString>("price");
        QTest::addColumn<QString>("net");
        QTest::newRow("grouped currency") << "$1,234.5" << qint64(12345000) << "$1,234.5000" << "$1,234.50";
        QTest::newRow("below one") << ".5" << qint64(5000) << "$.5000" << "$0.50";
        QTest::newRow("fifth decimal rounds up") << "1.23455" << qint64(12346) << "$1.2346" << "$1.23";
        QTest::newRow("net rounds half away") << "0.005" << qint64(50) << "$.0050" << "$0.01";
        QTest::newRow("top of the ledger's range") << "450000000000" << qint64(kMaxMoneyTicks)
                                                   << "$450,000,000,000.0000" << "$450,000,000,000.00";
    }
    void moneyParsesExactlyAndRoundsHalfAway()
    {
        QFETCH(QString, text);
        const auto read = moneyFromText(text);
        QTEST(qint64(read.value_or(-1)), "ticks");
        QTEST(read ? priceText(*read) : QString(), "price");
        QTEST(read ? netAmountText(*read) : QString(), "net");
    }

    void datesReadAndWritten()
    {
        const std::pair<const char *, QDate> dates[] = {   // a null date: not a date
            {"2/29/2004", QDate(2004, 2, 29)}, {"1/5/03", QDate(2003, 1, 5)}, {"1/5/29", QDate(2029, 1, 5)},
            {"1/5/30", QDate(1930, 1, 5)}, {"1/1/0001", QDate(1, 1, 1)}, {"2/30/2004", {}}, {"2/29/1900", {}},
            {"13/1/2004", {}}, {"1/5/2003x", {}}, {"1/1/0000", {}}, {"1/5/203", {}}, {"", {}}, {" ", {}}};
        for (const auto &[text, date] : dates) {
            const auto read = readDate(QString::fromLatin1(text));
            QVERIFY2(read.value_or(QDate()) == date && (!read || readDate(shortDate(*read)) == read), text);
        }
    }

    // The rules stop at the first broken one, in this order.
    void fieldRulesInTheirOrder_data()
    {
        QTest::addColumn<QStringList>("texts");   // name, ticker, shares, price, net, date
        QTest::addColumn<QString>("message");     // empty: every rule holds
        const auto row = [](const char *name, QStringList t, const char *message) {
            QTest::newRow(name) << t << QString(message);
        };
        row("all good", {"", "T", "-2.5", "", "", "1/5/03"}, "");
        row("ticker and shares empty", {"", "", "", "", "", ""}, "Must Enter a Ticker Symbol");
        row("blank ticker passes", {"", " ", "", "", "", ""}, "Must Enter Number of Shares");
        row("grouped shares", {"", "T", "1,000", "", "", ""}, "Please Enter Number of Shares as a Number");
        row("shares too many", {"", "T", "1000000000000000", "", "", "1/5/03"},
            "Please Enter Number of Shares between -999,999,999,999,999 and 999,999,999,999,999");
        row("shares overflow", {"", "T", QString(400, u'9'), "", "", ""},
            "Please Enter Number of Shares between -999,999,999,999,999 and 999,999,999,999,999");
        row("date empty", {"", "T", "5", "x", "", ""}, "Must Enter Trade Date");
        row("date with a letter", {"", "T", "5", "", "", "1/5/2003a"},
            "Must Enter the Date According to the Format MM/DD/YY or MM/DD/YYYY");
        row("price letters", {"", "T", "5", "abc", "x", "1/5/03"}, "Please Enter the Price per Share as a Number");
        row("price negative typed", {"", "T", "5", "-5", "", "1/5/03"},
            "Please Enter the Price per Share between $0 and $450,000,000,000");
        row("price too high", {"", "T", "5", "$450,000,000,000.0001", "", "1/5/03"},
            "Please Enter the Price per Share between $0 and $450,000,000,000");
        row("net letters", {"", "T", "5", "", "x", "1/5/03"}, "Please Enter Net Amount as a Number");
        row("net too high", {"", "T", "5", "", "500000000000", "1/5/03"},
            "Please Enter Net Amount between $0 and $450,000,000,000");
        row("line break in a pasted name", {"Acme\r\nT 5 1/5/03", "T", "5", "", "", "1/5/03"},
            "Please Enter the Name/Description without line breaks, tabs or other control characters");
        row("tab in ticker", {"", "T\t", "5", "", "", "1/5/03"},
            "Please Enter the Ticker Symbol without line breaks, tabs or other control characters");
        row("no-break space is no control", {"A\u00a0B", "T", "5", "", "", "1/5/03"}, "");
    }
    void fieldRulesInTheirOrder()
    {
        QFETCH(QStringList, texts);
        FieldTexts f;
        const int order[] = {kName1, kTicker, kNumShares, kPrice, kNetAmount, kTradeDate};
        for (int i = 0; i < 6; ++i)
            f[std::size_t(order[i])] = texts[i];
        const auto broken = firstBrokenRule(f);
        QTEST(broken ? broken->message : QString(), "message");
    }

    // Each file of the corpus (under the choices kept for its layout where its
    // block gives them): its readings and rows as read, and once its
    // questions are answered, and what its layout keeps then. Then the same file read again: after its lots
    // were written (with the keys of their rows), after every one of them
    // was edited or split (their rows' keys alone), and after the user
    // deleted them, nothing is chosen; and the answers, remembered for its
    // layout, settle its questions the next time.
    void theCorpusReadsAsItsOutcomesSay()
    {
        const std::vector<test::CorpusFile> files = test::corpus();
        QVERIFY(files.size() >= 60);
        QStringList named;
        for (const test::CorpusFile &f : files)
            named << f.name;
        named << QStringLiteral("outcomes.txt");
        named.sort();
        QCOMPARE(QDir(QStringLiteral(TESMO_IMPORT_CORPUS)).entryList(QDir::Files, QDir::Name), named);
        for (const test::CorpusFile &f : files) {
            const QString name = QStringLiteral("== ") + f.name;
            LotImport import = readFile(f.path());
            if (!f.remembered.isEmpty())
                import = readFile(f.path(), {}, {{import.layoutKey(), {f.remembered, QDate(2024, 6, 3)}}});
            if (f.refused) {
                QCOMPARE(name + u' ' + QString::number(int(import.problem())), name + u' ' + QString::number(f.refused));
                continue;
            }
            QCOMPARE(QStringList(name) + describe(import), QStringList(name) + f.before);
            if (!f.answer.isEmpty()) {
                answer(import, f.answer);
                QCOMPARE(QStringList(name) + describe(import), QStringList(name) + f.after);
            }
            if (!f.remembers.isEmpty())
                QCOMPARE(name + u' ' + import.layoutText(), name + u' ' + f.remembers);
            const QString encoding = f.answer.section(u' ', 0, 0).startsWith(u"encoding") ? f.answer.section(u' ', 0, 0)
                                                                                          : QString();
            StoredKeys written, edited, deleted;
            for (const qsizetype i : import.chosen()) {
                const CandidateLot &lot = import.lots()[std::size_t(i)];
                written.add(lot.key);
                written.addSource(lot.rowKey, true);
                edited.addSource(lot.rowKey, true);
                deleted.addSource(lot.rowKey, false);
            }
            const RememberedLayouts layouts{{import.layoutKey(), {import.layoutText(), QDate(2024, 7, 1)}}};
            const std::pair<StoredKeys *, RowStatus> again[] = {
                {&written, RowStatus::Already}, {&edited, RowStatus::Already}, {&deleted, RowStatus::Deleted}};
            for (const auto &[keys, status] : again) {
                LotImport next = readFile(f.path(), *keys, layouts);
                answer(next, encoding);
                QVERIFY2(next.settled() == import.settled() && next.chosenCount() == 0, qPrintable(name));
                for (const qsizetype i : import.chosen())
                    QVERIFY2(next.lots()[std::size_t(i)].status == status, qPrintable(name));
            }
            // Remembered, the answers are said so.
            LotImport remembered = readFile(f.path(), {}, layouts);
            answer(remembered, encoding);
            QCOMPARE(QStringList(name) + test::rowsOf(describe(remembered)),
                     QStringList(name) + test::rowsOf(f.answer.isEmpty() ? f.before : f.after));
            if (!f.answer.isEmpty() && encoding.isEmpty())
                QVERIFY2(describe(remembered).join(u'\n').contains(u"as you chose for this layout on 7/1/2024"),
                         qPrintable(name));
        }
    }

    // Numbers under a decimal separator ("-" before the plain number for a
    // negative, " p" after it for pence) and dates in an order; "none" for neither.
    void numbersAndDatesAsBrokersWriteThem_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("reading");   // a decimal separator, or a date order
        QTest::addColumn<QString>("read");
        const char *const rows[][4] = {
            {"dollars and thousands", "$1,234.50", ".", "1234.50"},
            {"minus before the dollar", "-$1,234.50", ".", "-1234.50"},
            {"minus after the dollar", "$-5.00", ".", "-5.00"},
            {"parentheses", "($1,234.56)", ".", "-1234.56"},
            {"trailing minus", "15.25-", ".", "-15.25"},
            {"currency code before", "USD 220.15", ".", "220.15"},
            {"currency code after", "1.205,00 EUR", ",", "1205.00"},
            {"euro sign", "\u20ac 1.234,5", ",", "1234.5"},
            {"blank thousands", "1 234 567,89", ",", "1234567.89"},
            {"no whole part", ".5", ".", ".5"},
            {"Indian grouping", "1,23,476.00", ".", "123476.00"},
            {"groups of mixed sizes", "12,8,36.00", ".", "none"},
            {"marks of two kinds grouping", "1,234'567", ".", "none"},
            {"typographic apostrophe", "10\u2019850.00", ".", "10850.00"},
            {"full-width digits", "\uff11\uff0c\uff10\uff18\uff15\uff0e\uff15", ".", "1085.5"},
            {"triangle minus, yen after", "\u25b22,850\u5186", ".", "-2850"},
            {"point under comma decimals", "1.5", ",", "none"},
            {"a date", "01/02/2024", ".", "none"},
            {"sign alone", "-", ".", "none"},
            {"pence after", "51p", ".", "51 p"},
            {"pence as the market writes them", "GBp 51", ".", "51 p"},
            {"pounds code", "GBP 51", ".", "51"},
            {"a group never starts with 0", "0.091", ",", "none"},
            {"month/day/year", "1/15/2024", "MDY", "2024-01-15"},
            {"day.month.year", "15.01.2024", "DMY", "2024-01-15"},
            {"ISO whatever the order", "2024-01-15", "MDY", "2024-01-15"},
            {"year first", "2024/1/15", "YMD", "2024-01-15"},
            {"two-digit year 45", "1/5/45", "MDY", "1945-01-05"},
            {"time of day ignored", "01/26/2024 10:31:02", "MDY", "2024-01-26"},
            {"ISO time ignored", "2024-01-26T10:31:02Z", "MDY", "2024-01-26"},
            {"month name first", "Jan 5, 2024", "DMY", "2024-01-05"},
            {"month name between", "05-Jan-2024", "MDY", "2024-01-05"},
            {"no such day", "2/30/2024", "MDY", "none"},
            {"month 13 read month first", "13/1/2024", "MDY", "none"},
            {"three-digit year", "1/5/203", "MDY", "none"},
            {"text after the date", "1/5/2024x", "MDY", "none"},
            {"posted as of the trade date", "03/18/2024 as of 03/15/2024", "MDY", "2024-03-15"},
            {"compact year-month-day", "20240108", "DMY", "2024-01-08"},
            {"Japanese", "2024\u5e743\u670815\u65e5", "MDY", "2024-03-15"},
            {"full-width, time after a comma", "\uff12\uff10\uff12\uff14/\uff10\uff15/\uff10\uff17, 10:32", "MDY", "2024-05-07"},
        };
        for (const auto &r : rows)
            QTest::newRow(r[0]) << QString::fromUtf8(r[1]) << QString::fromLatin1(r[2]) << QString::fromLatin1(r[3]);
    }
    void numbersAndDatesAsBrokersWriteThem()
    {
        QFETCH(QString, text);
        QFETCH(QString, reading);
        if (reading.size() == 1) {
            const auto n = import::readNumber(text, reading.front());
            QTEST(n ? (n->negative ? "-" : "") + n->plain + (n->pence ? " p" : "") : QStringLiteral("none"), "read");
        } else {
            const auto d = import::readDate(text, DateOrder(QStringList{"MDY", "DMY", "YMD"}.indexOf(reading)));
            QTEST(d ? d->toString(Qt::ISODate) : QStringLiteral("none"), "read");
        }
    }

    // A lot equal to a stored one (ticker in any case, amounts at four
    // decimals, empty equal to empty) is already in the ledger, one equal to
    // an earlier row twice in the file; only new and ticked ones are chosen.
    // A sale is already in the ledger when its ticker, date, shares and
    // proceeds are those of recorded rows that follow one another; sales read
    // whatever their signs and are never chosen.
    void duplicatesAreFoundAndChosenOnlyWhenTicked()
    {
        StoredKeys stored;
        stored.add(LotKey::of(u"ibm", QDate(2003, 1, 15), 100, Ticks(125000), std::nullopt));
        StoredSales recorded;
        for (const auto &[shares, cents] : {std::pair{0.1, 500}, {0.2, 260}, {3.0, 150}})
            recorded.add(LotKey::of(u"IBM", QDate(2024, 6, 13), shares, std::nullopt, Ticks(cents) * 100));
        LotImport import = readText(QStringLiteral(
                                        "Date,Action,Symbol,Quantity,Price,Amount\n"
                                        "1/15/2003,Buy,IBM,100,12.50,\n"       // already: ticker case, empty net
                                        "1/15/2003,Buy,IBM,100,12.50001,\n"    // the same at four decimals
                                        "1/15/2003,Buy,IBM,100,12.50,0\n"      // net 0 is not empty: check
                                        "1/15/2003,Buy,IBM,100,12.50,0.00\n"   // twice
                                        "1/16/2003,Buy,IBM,100,12.50,\n"       // another day: new
                                        "6/13/2024,Sell,ibm,-0.3,,$7.60\n"     // the first two
                                        "6/13/2024,Sold,IBM,3.2,,4.10\n"       // the last two
                                        "6/13/2024,Sell,IBM,3.3,,9.10\n"       // all three
                                        "6/13/2024,Sell,IBM,3.1,,6.50\n"       // not one after the other
                                        "6/13/2024,Sell,IBM,0.2,,2.61\n"       // other proceeds
                                        "6/14/2024,Sell,IBM,0.2,,2.60\n"       // another day
                                        "6/13/2024,Sell,IBM,2,,\n"             // no proceeds
                                        "6/13/2024,Cancel Sell,IBM,2,,1.00\n"),
                                    stored, recorded);
        QCOMPARE(test::rowsOf(describe(import)).join(u'\n'), QStringLiteral("2 Already |IBM|100|12.50||1/15/2003\n"
                                                  "3 Already |IBM|100|12.50001||1/15/2003\n"
                                                  "4 Check |IBM|100|12.50|0|1/15/2003 : 100 \u00d7 12.50 = "
                                                  "1250.00, net amount 0.00\n"
                                                  "5 Twice |IBM|100|12.50|0.00|1/15/2003\n"
                                                  "6 New |IBM|100|12.50||1/16/2003\n"
                                                  "7 Already |ibm|0.3||7.60|6/13/2024\n"
                                                  "8 Already |IBM|3.2||4.10|6/13/2024\n"
                                                  "9 Already |IBM|3.3||9.10|6/13/2024\n"
                                                  "10 Sale |IBM|3.1||6.50|6/13/2024\n"
                                                  "11 Sale |IBM|0.2||2.61|6/13/2024\n"
                                                  "12 Sale |IBM|0.2||2.60|6/14/2024\n"
                                                  "13 Sale |IBM|2|||6/13/2024 : the file gives no amount, so its "
                                                  "proceeds are not known\n"
                                                  "14 NotAPurchase |IBM|2||1.00|6/13/2024 : a sale undone"));
        QCOMPARE(import.chosenCount(), 1);
        for (int row = 1; row <= 8; ++row)   // the fifth, a new row, is chosen anyway; sales never
            import.setTicked(row, true);
        QStringList chosen;
        for (const qsizetype i : import.chosen()) {
            const FieldTexts t = import.texts(i);
            chosen << t[kPrice] + u'/' + t[kNetAmount] + u'/' + t[kTradeDate];
        }
        QCOMPARE(chosen.join(u' '), QStringLiteral("12.50001//1/15/2003 12.50/0/1/15/2003 12.50/0.00/1/15/2003 "
                                                   "12.50//1/16/2003"));
    }

    // A column set to none, another date order, decimal or field separator
    // read the rows anew; a cancelled change changes nothing.
    void choicesChangeTheReading()
    {
        LotImport import = readText(QStringLiteral("Date;Ticker;Shares;Price;Total;Name\n"
                                                   "03/04/2024;ABC;1,5;2,00;3,00;First\n"
                                                   "03/04/2024;ABC;1,5;2,00;3,00;Again\n"));
        const auto dates = [&] { return describe(import).filter(QStringLiteral("Dates")).join(u'\n'); };
        QCOMPARE(dates(), QStringLiteral("reading: Dates: day/month/year: its numbers have decimal commas and its fields "
                                         "are separated by semicolons"));
        ImportChoices c = import.choices();
        c.dateOrder = DateOrder::MonthDayYear;
        c.columns[int(ImportField::Name)] = kNoColumn;
        c.columns[int(ImportField::NetAmount)] = kNoColumn;
        struct Cancelled : Progress {
            bool advance(qint64) override { return false; }
        } cancelled;
        try {
            import.setChoices(c, &cancelled);
            QFAIL("a cancelled change goes on");
        } catch (const Error &e) {
            QCOMPARE(e.number(), int(kErrUserCancelled));
        }
        QCOMPARE(import.texts(0)[kTradeDate], QStringLiteral("4/3/2024"));
        import.setChoices(c);
        QCOMPARE(dates(), QStringLiteral("reading: Dates: month/day/year: chosen by you"));
        QCOMPARE(test::rowsOf(describe(import)).join(u'\n'),
                 QStringLiteral("2 New |ABC|1.5|2.00||3/4/2024\n3 Twice |ABC|1.5|2.00||3/4/2024"));
        c.decimals.fill(u'.');
        import.setChoices(c);
        QCOMPARE(import.lots()[0].reason, QStringLiteral("the number of shares '1,5' is not a number Tesmo reads"));
        import.setSeparator(',');
        QVERIFY(!import.hasHeader() && import.lots().empty());

        // An order remembered for the layout that a date of the file reads only the other way is asked again.
        const QString header = QStringLiteral("Date,Symbol,Quantity\n");
        LotImport remembered(StoredKeys{}, StoredSales{},
                             {{layoutKey({"Date", "Symbol", "Quantity"}), {QStringLiteral("date=DMY"), QDate(2024, 7, 1)}}});
        remembered.readText((header + "03/04/2024,ABC,1\n").toUtf8());
        QCOMPARE(describe(remembered).filter(QStringLiteral("Dates")),
                 QStringList{"reading: Dates: day/month/year: as you chose for this layout on 7/1/2024"});
        remembered.readText((header + "03/14/2024,ABC,1\n").toUtf8());
        QCOMPARE(describe(remembered).filter(QStringLiteral("Dates")),
                 QStringList{"reading: Dates: not settled: you chose day/month/year for this layout before, but '03/14/2024' "
                             "on line 2 reads only month first; choose one"});
    }
};

QTEST_GUILESS_MAIN(ImportTest)
#include "tst_import.moc"
