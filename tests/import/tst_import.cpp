// The reading of brokers' CSV files into candidate lots, without a window:
// sample files in several brokers' layouts (their encodings, separators,
// preambles and trailers, number and date forms, what they settle and what
// they leave to the user, the rows they hold back), the separate readings of
// numbers and dates, the duplicate check, and the choices that change the
// reading.
#include "import/LotImport.h"
#include "text/Error.h"

#include <QFile>
#include <QtTest>

using namespace tesmo;

namespace {

QString sample(const char *name)
{
    return QStringLiteral(TESMO_IMPORT_SAMPLES "/") + QLatin1String(name);
}

const char *const kStatus[] = {"New", "Already", "Twice", "Check", "Cancelled", "Sale", "NotAPurchase", "Refused",
                               "Unsettled"};

// One line per candidate: "line status name|ticker|shares|price|net|date",
// the reason after " : ".
QString describe(const LotImport &import)
{
    QStringList lines;
    for (qsizetype i = 0; i < qsizetype(import.lots().size()); ++i) {
        const CandidateLot &l = import.lots()[std::size_t(i)];
        const FieldTexts texts = import.texts(i);
        QStringList t;
        for (int pos = kName1; pos <= kTradeDate; ++pos)
            t << texts[std::size_t(pos)];
        QString line = QStringLiteral("%1 %2 %3").arg(l.line).arg(QLatin1String(kStatus[int(l.status)]), t.join(u'|'));
        if (!l.reason.isEmpty())
            line += QStringLiteral(" : ") + l.reason;
        lines << line;
    }
    return lines.join(u'\n');
}

// "separator decimal order line N", "?" for a choice the file leaves open;
// or why there is no header.
QString describeReading(const LotImport &import)
{
    const char *const problems[] = {"", "empty", "not text", "lacks", "no header"};
    if (!import.hasHeader()) {
        QString why = QLatin1String(problems[int(import.problem())]);
        for (const ImportField f : import.missingColumns())
            why += QStringLiteral(" %1").arg(import::headerNames(f).first());
        return import.problem() == ReadProblem::MissingColumns ? why + QStringLiteral(" on line %1").arg(import.headerLine())
                                                              : why;
    }
    const ImportChoices &c = import.choices();
    const char *const orders[] = {"MDY", "DMY", "YMD"};
    return QStringLiteral("%1 %2 %3 line %4")
        .arg(c.separator == '\t' ? QStringLiteral("tab") : QString(QChar(c.separator)),
             c.decimal ? QString(*c.decimal) : QStringLiteral("?"),
             c.dateOrder ? QLatin1String(orders[int(*c.dateOrder)]) : QLatin1String("?"))
        .arg(import.headerLine());
}

LotImport readFile(const QString &path, StoredKeys keys = {})
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot open %s", qPrintable(path));
    LotImport import(std::move(keys));
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
    // Each sample file as the import reads it: the reading it settles (or
    // leaves open, or why it finds no header) and every row's status; for a
    // file that leaves a choice open, the rows once the user makes it.
    void eachFileReadsAsItsBrokerWroteIt_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("reading");
        QTest::addColumn<QString>("lots");
        QTest::addColumn<QString>("choice");   // "DMY" or a decimal separator, for the rows after
        QTest::addColumn<QString>("after");

        QTest::newRow("UTF-8 with a mark, preamble, actions, settlement dates, trailer")
            << sample("brokerage_a.csv") << ", . MDY line 4"
            << "5 New APPLE INC|AAPL|10|185.64|1856.42|1/3/2024\n"
               "6 New BERKSHIRE HATHAWAY INC, CL B|BRK/B|5|357.10|1785.50|1/4/2024\n"
               "7 NotAPurchase VANGUARD TOTAL STOCK MKT|VTI|0.000||21.33|01/05/2024\n"
               "8 New VANGUARD TOTAL STOCK MKT|VTI|0.091|234.40|21.33|1/8/2024\n"
               "9 Sale MICROSOFT CORP|MSFT|3|375.79|1127.36|1/9/2024\n"
               "10 Refused TESLA INC|TSLA|2|01/02/2024|-468.50|01/10/2024 : Please Enter the Price per Share as a Number\n"
               "11 New APPLE INC|AAPL|1|185.00|185.00|1/11/2024" << "" << "";
        QTest::newRow("quoted everything, dollars, a line break in a name, a time of day, a total")
            << sample("broker_b.csv") << ", . MDY line 2"
            << "3 New SCHWAB US DIVIDEND EQUITY ETF|SCHD|100|76.8150|7681.50|1/29/2024\n"
               "5 New NVIDIA CORP|nvda|2|610.00|1220.65|1/26/2024\n"
               "6 New SCHWAB S&P 500 INDEX|SWPPX|1.234|72.10|88.97|1/25/2024\n"
               "7 NotAPurchase SCHWAB S&P 500 INDEX|SWPPX|||$88.97|01/25/2024\n"
               "8 Sale APPLE INC|AAPL|10|195.00|1950.00|1/24/2024\n"
               "9 Twice NVIDIA CORP|NVDA|2|610.00|1220.65|1/26/2024" << "" << "";
        QTest::newRow("Windows-1252, semicolons, comma decimals, day.month.year")
            << sample("broker_c.csv") << "; , DMY line 1"
            << QStringLiteral("2 New Nestl\u00e9 SA|NESN|12|108.42|1301.04|3/15/2023\n"
                              "3 New SAP SE|SAP|10|120.5|1205.00|5/2/2023\n"
                              "4 Sale SAP SE|SAP|5|130.10|650.50|6/21/2023\n"
                              "5 NotAPurchase Custody fee||||12,50|30.06.2023\n"
                              "6 New ASML Holding|ASML|2|612.30|1224.60|7/3/2023") << "" << "";
        QTest::newRow("UTF-16 with a mark, tabs, ISO dates, parentheses, refused rows, a lot twice")
            << sample("broker_d.txt") << "tab . YMD line 2"
            << "3 New Vanguard Total Stock Market ETF|VTI|4|220.15|880.60|11/1/2023\n"
               "4 New Vanguard Total Intl Stock ETF|VXUS|10|55.10|551.00|11/2/2023\n"
               "5 Refused Money market sweep||100|1.00|(100.00)|2023-11-03 : Must Enter a Ticker Symbol\n"
               "6 Refused Vanguard Total Bond Market ETF|BND|ten|71.30|(713.00)|2023-11-06 : Please Enter Number of "
               "Shares as a Number\n"
               "7 Twice Vanguard Total Stock Market ETF|VTI|4|220.15|880.60|11/1/2023" << "" << "";
        QTest::newRow("dates that read either way: the order is asked")
            << sample("uk_dates.csv") << ", . ? line 1"
            << "2 Unsettled Vodafone Group|VOD|1000|0.71|710.00|03/04/2024 : Date order not settled\n"
               "3 Unsettled Barclays|BARC|200|2.15|430.00|05/06/2024 : Date order not settled\n"
               "4 Unsettled AstraZeneca|AZN|3|120.50|361.50|05/06/2024 : Date order not settled"
            << "DMY"
            << "2 New Vodafone Group|VOD|1000|0.71|710.00|4/3/2024\n"
               "3 New Barclays|BARC|200|2.15|430.00|6/5/2024\n"
               "4 New AstraZeneca|AZN|3|120.50|361.50|6/5/2024";
        QTest::newRow("pounds settle the dates; pence are pounds; figures that disagree")
            << sample("uk_pence.csv") << ", . DMY line 1"
            << "2 New Lloyds Banking Group|LLOY|500|0.5100|255.00|4/3/2024\n"
               "3 New Tesco|TSCO|100|2.855|285.50|6/5/2024\n"
               "4 New BP|BP.|40|4.80|192.00|5/6/2024\n"
               "5 Check Shell|SHEL|10|27.10|2710.00|8/7/2024 : 10 \u00d7 27.10 = 271.00, net amount 2710.00"
            << "" << "";
        QTest::newRow("semicolons settle the decimal comma of 1.000 and 255,123")
            << sample("eu_decimals.csv") << "; , YMD line 1"
            << "2 New Allianz|ALV|1000|22|22000|3/4/2024\n"
               "3 New BASF|BAS|2|255.123|510.246|3/5/2024" << "" << "";
        QTest::newRow("numbers that read either way: the decimal separator is asked")
            << sample("open_decimals.csv") << ", ? YMD line 1"
            << "2 Unsettled |ABC|1,000|22|22,000|2024-03-04 : Decimal separator not settled\n"
               "3 Unsettled |XYZ|5|1,250|6250|2024-03-05 : Decimal separator not settled"
            << "."
            << "2 New |ABC|1000|22|22000|3/4/2024\n"
               "3 New |XYZ|5|1250|6250|3/5/2024";
        QTest::newRow("cancelled, reversed and tendered purchases")
            << sample("actions.csv") << ", . MDY line 1"
            << "2 Cancelled MICROSOFT CORP|MSFT|5|390.00|1950.00|1/16/2024 : by line 3\n"
               "3 NotAPurchase MICROSOFT CORP|MSFT|5|390.00|1950.00|01/17/2024\n"
               "4 Sale XYZ CORP|XYZ|20|15.00|300.00|1/18/2024\n"
               "5 Cancelled APPLE INC|AAPL|3|185.00|555.00|1/19/2024 : by line 6\n"
               "6 NotAPurchase APPLE INC|AAPL|3|185.00|555.00|01/22/2024\n"
               "7 New NVIDIA CORP|NVDA|1|600.00|600.00|1/23/2024\n"
               "8 New VANGUARD TOTAL|VTI|0.5|230.00|115.00|1/24/2024" << "" << "";
        QTest::newRow("no action column: sales by their signs")
            << sample("no_action.csv") << ", . YMD line 1"
            << "2 New |IBM|10|180.00|1800.00|2/1/2024\n"
               "3 Sale |IBM|4|185.00|740.00|2/2/2024\n"
               "4 New |KO|20|60.00|1200.00|2/5/2024\n"
               "5 Sale |KO|5|61.00|305.00|2/6/2024"
            << "" << "";
        QTest::newRow("UTF-16 without a mark, big-endian")
            << sample("utf16be_no_mark.txt") << "tab . YMD line 1"
            << QStringLiteral("2 New Nestl\u00e9 \u20ac|NESN|1|100.00|100.00|1/2/2024") << "" << "";
        QTest::newRow("UTF-8 but for a few bytes")
            << sample("bad_byte.csv") << ", . YMD line 1"
            << QStringLiteral("2 New Nestl\u00e9 SA|NESN|10|95.00|950.00|3/1/2024\n"
                              "3 Refused Soci\ufffdt\ufffd G\ufffdn\ufffdrale|GLE|20|25.00|500.00|2024-03-04 : Line 3 "
                              "holds bytes that are not UTF-8 text; it was not read\n"
                              "4 New Novartis AG Z\u00fcrich|NOVN|5|90.00|450.00|3/5/2024") << "" << "";
        QTest::newRow("field rules: the date's in the file's order, long names cut, long tickers refused")
            << sample("field_rules.csv") << ", . DMY line 1"
            << "2 New x|A|1|1|1|12/31/2023\n"
               "3 Refused x|A|1|1|-1|32/12/2023 : Must Enter the Date According to the Format DD/MM/YY or DD/MM/YYYY\n"
               "4 Refused x|ABCDEFGHIJK|1|1|-1|1/2/2024 : Please Enter the Ticker Symbol with at most 10 characters\n"
               "5 Refused x|B||1|-1|1/2/2024 : Must Enter Number of Shares\n"
               "6 Refused x|C|1|500000000000|-1|1/2/2024 : Please Enter the Price per Share between $0 and "
               "$450,000,000,000\n"
               "7 New " + QString(50, u'N') + "|D|7|3.5|24.50|2/1/2024" << "" << "";
        QTest::newRow("an empty file") << sample("empty.csv") << "empty" << "" << "" << "";
        QTest::newRow("an image") << sample("image.csv") << "not text" << "" << "" << "";
        QTest::newRow("no quantity column") << sample("no_quantity.csv") << "lacks Quantity on line 1" << "" << "" << "";
        QTest::newRow("another language") << sample("german.csv") << "no header" << "" << "" << "";
    }
    void eachFileReadsAsItsBrokerWroteIt()
    {
        QFETCH(QString, file);
        QFETCH(QString, reading);
        QFETCH(QString, lots);
        QFETCH(QString, choice);
        QFETCH(QString, after);
        LotImport import = readFile(file);
        QCOMPARE(describeReading(import), reading);
        QCOMPARE(describe(import), lots);
        QCOMPARE(import.chosenCount() > 0, import.choices().settled() && lots.contains(" New "));
        if (choice.isEmpty())
            return;
        ImportChoices c = import.choices();
        if (choice == "DMY")
            c.dateOrder = DateOrder::DayMonthYear;
        else
            c.decimal = choice.front();
        import.setChoices(c);
        QCOMPARE(describe(import), after);
    }

    void numbersAsBrokersWriteThem_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("decimal");
        QTest::addColumn<QString>("plain");   // "-" before it for a negative, " p" after it for pence; "none" when no number
        const char *const rows[][4] = {
            {"plain", "12.5", ".", "12.5"},
            {"dollars and thousands", "$1,234.50", ".", "1234.50"},
            {"minus before the dollar", "-$1,234.50", ".", "-1234.50"},
            {"minus after the dollar", "$-5.00", ".", "-5.00"},
            {"parentheses", "($1,234.56)", ".", "-1234.56"},
            {"trailing minus", "15.25-", ".", "-15.25"},
            {"currency code before", "USD 220.15", ".", "220.15"},
            {"currency code after", "1.205,00 EUR", ",", "1205.00"},
            {"euro sign", "\u20ac 1.234,5", ",", "1234.5"},
            {"comma decimal", "108,42", ",", "108.42"},
            {"blank thousands", "1 234 567,89", ",", "1234567.89"},
            {"no whole part", ".5", ".", ".5"},
            {"bad grouping", "1,23,456.00", ".", "none"},
            {"point under comma decimals", "1.5", ",", "none"},
            {"letters", "ten", ".", "none"},
            {"a date", "01/02/2024", ".", "none"},
            {"two decimal points", "1.2.3", ".", "none"},
            {"sign alone", "-", ".", "none"},
            {"pence code", "GBX 51.00", ".", "51.00 p"},
            {"pence after", "51p", ".", "51 p"},
            {"pence as the market writes them", "GBp 51", ".", "51 p"},
            {"pounds code", "GBP 51", ".", "51"},
            {"a group never starts with 0", "0.091", ",", "none"},
        };
        for (const auto &r : rows)
            QTest::newRow(r[0]) << QString::fromUtf8(r[1]) << QString::fromLatin1(r[2]) << QString::fromLatin1(r[3]);
    }
    void numbersAsBrokersWriteThem()
    {
        QFETCH(QString, text);
        QFETCH(QString, decimal);
        QFETCH(QString, plain);
        const auto n = import::readNumber(text, decimal.front());
        QCOMPARE(n ? (n->negative ? "-" : "") + n->plain + (n->pence ? " p" : "") : QStringLiteral("none"), plain);
    }

    void datesInEveryOrder_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("order");
        QTest::addColumn<QString>("iso");   // empty when no date
        const auto mdy = int(DateOrder::MonthDayYear), dmy = int(DateOrder::DayMonthYear),
                   ymd = int(DateOrder::YearMonthDay);
        QTest::newRow("month/day/year") << "1/15/2024" << mdy << "2024-01-15";
        QTest::newRow("day/month/year") << "15/1/2024" << dmy << "2024-01-15";
        QTest::newRow("day.month.year") << "15.01.2024" << dmy << "2024-01-15";
        QTest::newRow("ISO whatever the order") << "2024-01-15" << mdy << "2024-01-15";
        QTest::newRow("year first") << "2024/1/15" << ymd << "2024-01-15";
        QTest::newRow("two-digit year 03") << "1/5/03" << mdy << "2003-01-05";
        QTest::newRow("two-digit year 45") << "1/5/45" << mdy << "1945-01-05";
        QTest::newRow("time of day ignored") << "01/26/2024 10:31:02" << mdy << "2024-01-26";
        QTest::newRow("ISO time ignored") << "2024-01-26T10:31:02Z" << mdy << "2024-01-26";
        QTest::newRow("month name first") << "Jan 5, 2024" << dmy << "2024-01-05";
        QTest::newRow("month name between") << "05-Jan-2024" << mdy << "2024-01-05";
        QTest::newRow("no such day") << "2/30/2024" << mdy << "";
        QTest::newRow("month 13 read month first") << "13/1/2024" << mdy << "";
        QTest::newRow("three-digit year") << "1/5/203" << mdy << "";
        QTest::newRow("text after the date") << "1/5/2024x" << mdy << "";
        QTest::newRow("no date") << "as of" << mdy << "";
    }
    void datesInEveryOrder()
    {
        QFETCH(QString, text);
        QFETCH(int, order);
        QFETCH(QString, iso);
        const auto d = import::readDate(text, DateOrder(order));
        QCOMPARE(d ? d->toString(Qt::ISODate) : QString(), iso);
    }

    // A lot equal to a stored one (ticker in any case, amounts at four
    // decimals, empty equal to empty) is already in the ledger; one equal to
    // an earlier row is twice in the file; only the new and the ticked ones
    // (held back as such, or to be checked) are chosen, in file order.
    void duplicatesAreFoundAndChosenOnlyWhenTicked()
    {
        StoredKeys stored;
        stored.add(LotKey::of(u"ibm", QDate(2003, 1, 15), 100, Ticks(125000), std::nullopt));
        LotImport import = readText(QStringLiteral(
                                        "Date,Symbol,Qty,Price,Net Amount\n"
                                        "1/15/2003,IBM,100,12.50,\n"            // already: ticker case, empty net
                                        "1/15/2003,IBM,100,12.50001,\n"         // the same at four decimals
                                        "1/15/2003,IBM,100,12.50,0\n"           // net 0 is not empty: check
                                        "1/15/2003,IBM,100,12.50,0.00\n"        // twice
                                        "1/16/2003,IBM,100,12.50,\n"),          // another day: new
                                    stored);
        QCOMPARE(describe(import), QStringLiteral("2 Already |IBM|100|12.50||1/15/2003\n"
                                                  "3 Already |IBM|100|12.50001||1/15/2003\n"
                                                  "4 Check |IBM|100|12.50|0|1/15/2003 : 100 \u00d7 12.50 = "
                                                  "1250.00, net amount 0.00\n"
                                                  "5 Twice |IBM|100|12.50|0.00|1/15/2003\n"
                                                  "6 New |IBM|100|12.50||1/16/2003"));
        QCOMPARE(import.chosenCount(), 1);
        for (int row = 1; row <= 4; ++row)   // the last, a new row, is chosen anyway
            import.setTicked(row, true);
        QStringList chosen;
        for (const qsizetype i : import.chosen()) {
            const FieldTexts t = import.texts(i);
            chosen << t[kPrice] + u'/' + t[kNetAmount] + u'/' + t[kTradeDate];
        }
        QCOMPARE(chosen.join(u' '), QStringLiteral("12.50001//1/15/2003 12.50/0/1/15/2003 12.50/0.00/1/15/2003 "
                                                   "12.50//1/16/2003"));
        const auto n = import.counts();
        QCOMPARE(n[int(RowStatus::Already)], 2);
        QCOMPARE(n[int(RowStatus::Twice)], 1);
        QCOMPARE(n[int(RowStatus::Check)], 1);
    }

    // A sale of the file is already in the ledger when its ticker (in any
    // case), date, shares and proceeds are those of recorded rows that
    // follow one another: a part alone, a sale in parts, a day's sales. Sales
    // read whatever their signs, are never chosen unless ticked, and cannot
    // be ticked until a match covers them.
    void salesAlreadyRecordedAndNeverChosenAtOnce()
    {
        StoredSales recorded;
        for (const auto &[shares, cents] : {std::pair{0.1, 500}, {0.2, 260}, {3.0, 150}})
            recorded.add(LotKey::of(u"IBM", QDate(2024, 6, 13), shares, std::nullopt, Ticks(cents) * 100));
        LotImport import = readText(QStringLiteral("Date,Action,Symbol,Quantity,Amount\n"
                                                   "6/13/2024,Sell,ibm,-0.3,$7.60\n"     // the first two
                                                   "6/13/2024,Sold,IBM,3.2,4.10\n"       // the last two
                                                   "6/13/2024,Sell,IBM,3.3,9.10\n"       // all three
                                                   "6/13/2024,Sell,IBM,3.1,6.50\n"       // not one after the other
                                                   "6/13/2024,Sell,IBM,0.2,2.61\n"       // other proceeds
                                                   "6/14/2024,Sell,IBM,0.2,2.60\n"       // another day
                                                   "6/13/2024,Sell,IBM,2,\n"             // no proceeds
                                                   "6/13/2024,Cancel Sell,IBM,2,1.00\n"),
                                    {}, recorded);
        QCOMPARE(describe(import), QStringLiteral("2 Already |ibm|0.3||7.60|6/13/2024\n"
                                                  "3 Already |IBM|3.2||4.10|6/13/2024\n"
                                                  "4 Already |IBM|3.3||9.10|6/13/2024\n"
                                                  "5 Sale |IBM|3.1||6.50|6/13/2024\n"
                                                  "6 Sale |IBM|0.2||2.61|6/13/2024\n"
                                                  "7 Sale |IBM|0.2||2.60|6/14/2024\n"
                                                  "8 Sale |IBM|2|||6/13/2024 : the file gives no amount, so its "
                                                  "proceeds are not known\n"
                                                  "9 NotAPurchase |IBM|2||1.00|6/13/2024"));
        import.setTicked(3, true);
        QCOMPARE(import.chosenCount(), 0);
    }

    // A column set to none, another date order or decimal separator and
    // another separator read the rows anew; a cancelled change changes
    // nothing; ticks stay with their lines.
    void choicesChangeTheReading()
    {
        LotImport import = readText(QStringLiteral("Date;Ticker;Shares;Price;Total;Name\n"
                                                   "03/04/2024;ABC;1,5;2,00;3,00;First\n"
                                                   "03/04/2024;ABC;1,5;2,00;3,00;Again\n"));
        QCOMPARE(import.choices().separator, ';');
        QCOMPARE(import.choices().decimal, QChar(u','));
        QCOMPARE(import.dateEvidence(), QStringLiteral("Settled by this file: its numbers have decimal commas; its "
                                                       "fields are separated by semicolons."));
        QCOMPARE(import.texts(0)[kTradeDate], QStringLiteral("4/3/2024"));
        import.setTicked(1, true);

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
        QCOMPARE(describe(import), QStringLiteral("2 New |ABC|1.5|2.00||3/4/2024\n3 Twice |ABC|1.5|2.00||3/4/2024"));
        QCOMPARE(import.chosenCount(), 2);

        c.decimal = u'.';
        import.setChoices(c);
        QCOMPARE(import.lots()[0].status, RowStatus::Refused);
        QCOMPARE(import.lots()[0].reason, QStringLiteral("Please Enter Number of Shares as a Number"));

        import.setSeparator(',');
        QVERIFY(!import.hasHeader());
        QVERIFY(import.lots().empty());
        import.setSeparator(';');
        QVERIFY(import.hasHeader());
        QCOMPARE(import.lots().size(), std::size_t(2));
    }
};

QTEST_GUILESS_MAIN(ImportTest)
#include "tst_import.moc"
