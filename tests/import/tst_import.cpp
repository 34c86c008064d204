// The text rules: the number test, currency text both ways, money as ticks,
// dates, and the field rules in their order (the fuzz targets check the round
// trips). The reading of brokers' CSV files into candidate lots: sample files
// in brokers' layouts, numbers and dates, the duplicate check, and the choices
// that change the reading.
#include "import/LotImport.h"
#include "text/Error.h"
#include "text/FieldRules.h"
#include "text/Limits.h"
#include "text/Regional.h"

#include <QFile>
#include <QLocale>
#include <QtTest>

using namespace tesmo;
using namespace tesmo::regional;

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
        const FieldTexts t = import.texts(i);
        lines << QStringLiteral("%1 %2 %3").arg(l.line).arg(QLatin1String(kStatus[int(l.status)]),
                                                           QStringList(t.begin() + kName1, t.end()).join(u'|'))
                     + (l.reason.isEmpty() ? QString() : " : " + l.reason);
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

    // Each sample file: the reading it settles (or leaves open, or why it has
    // no header), every row's status, and the rows once a choice left open is made.
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
        QTest::newRow("whole thousands settle the decimal point") << sample("us_thousands.csv") << ", . YMD line 1"
            << "2 New |ABC|1000|22|22000|3/4/2024\n3 New |XYZ|2000|125|250000|3/5/2024" << "" << "";
        QTest::newRow("settlement dates settle the date order of semicolons") << sample("semicolon_settlement.csv")
            << "; , MDY line 1" << "2 New |ABC|10|2.50|25.00|3/4/2024\n3 New |XYZ|4|1.25|5.00|3/5/2024" << "" << "";
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
        QFile bytes(file);
        QVERIFY(bytes.open(QIODevice::ReadOnly));
        LotImport import;
        import.read(bytes);
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
            {"bad grouping", "1,23,456.00", ".", "none"},
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
        QCOMPARE(describe(import), QStringLiteral("2 Already |IBM|100|12.50||1/15/2003\n"
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
                                                  "14 NotAPurchase |IBM|2||1.00|6/13/2024"));
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
        QCOMPARE(import.dateEvidence(), QStringLiteral("Settled by this file: its numbers have decimal commas; its "
                                                       "fields are separated by semicolons."));
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
        c.decimal = u'.';
        import.setChoices(c);
        QCOMPARE(import.lots()[0].reason, QStringLiteral("Please Enter Number of Shares as a Number"));
        import.setSeparator(',');
        QVERIFY(!import.hasHeader() && import.lots().empty());
    }
};

QTEST_GUILESS_MAIN(ImportTest)
#include "tst_import.moc"
