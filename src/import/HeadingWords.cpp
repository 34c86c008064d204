#include "import/HeadingWords.h"

#include <QSet>
#include <algorithm>
#include <initializer_list>
#include <utility>

namespace tesmo::import {

namespace {

using Words = QSet<QString>;

Words wordsOf(std::initializer_list<const char *> list)
{
    Words w;
    for (const char *s : list)
        w.insert(QString::fromUtf8(s));
    return w;
}

bool any(const QStringList &words, const Words &set)
{
    for (const QString &w : words)
        if (set.contains(w))
            return true;
    return false;
}

// The words of each field, and the words beside them that make a heading
// name something else ("Market Price", "Exchange Code", "Fee Amount").
const Words kDates = wordsOf({"date", "datum", "data", "fecha", "day", "time", "datetime", "timestamp", "zeit",
                              "heure", "geschäftstag", "schlusstag", "handelstag", "buchungstag", "valuta",
                              "wertstellung", "handelsdatum", "buchungsdatum", "transaktionsdatum"});
const Words kTimes = wordsOf({"time", "datetime", "timestamp", "zeit", "heure"});
const Words kTradeDates = wordsOf({"trade", "trading", "transaction", "execution", "executed", "exec", "order",
                                   "deal", "run", "filled", "fill", "activity", "operation",
                                   "opération", "operazione", "operación", "transazione", "transaktion",
                                   "transactie", "geschäftstag", "schlusstag", "handelstag", "handelsdatum",
                                   "transaktionsdatum", "exécution", "esecuzione"});
const Words kSettlementDates = wordsOf({"settle", "settlement", "settled", "value", "valuta", "wertstellung",
                                        "posting", "posted", "entry", "booking", "book", "pay", "payment", "process",
                                        "processed",
                                        "buchungstag", "buchungsdatum", "valeur", "regolamento"});
const Words kOtherDates = wordsOf({"report", "expiry", "expiration", "ex", "record", "maturity", "birth", "as",
                                   "statement", "download", "export", "created", "opened"});
const Words kPrices = wordsOf({"price", "prices", "pps", "kurs", "koers", "prix", "prezzo", "precio", "cours",
                               "ausführungskurs"});
const Words kNotPrices = wordsOf({"c", "close", "closing", "market", "mkt", "current", "last", "strike", "limit",
                                  "stop", "avg", "average", "mark", "recent", "bid", "ask", "target"});
const Words kShares = wordsOf({"quantity", "qty", "shares", "units", "volume", "nominal", "menge", "anzahl",
                               "stück", "stueck", "stk", "aantal", "quantité", "quantite", "quantità", "quantita",
                               "cantidad", "titoli", "acciones"});
const Words kTickers = wordsOf({"symbol", "ticker", "code", "scrip", "tradingsymbol", "sym", "epic", "tidm",
                                "kürzel", "simbolo", "símbolo", "symbole"});
const Words kNotTickers = wordsOf({"market", "exchange", "currency", "account", "order", "transaction", "isin",
                                   "cusip", "sedol", "wkn", "country", "client", "reference", "type", "trade",
                                   "action", "asset", "class", "postal", "zip", "sort", "tax", "underlying",
                                   "option", "settlement", "fee", "broker", "trans"});
const Words kTickerOrName = wordsOf({"instrument", "stock", "share", "titel", "aktie"});
const Words kAmounts = wordsOf({"amount", "total", "net", "value", "consideration", "principal", "proceeds",
                                "cost", "money", "betrag", "kurswert", "waarde", "totaal", "montant", "importo",
                                "importe", "valeur", "valore", "valor", "totale", "debit", "ausmachender", "gegenwert",
                                "controvalore"});
const Words kNotAmounts = wordsOf({"fee", "fees", "commission", "comm", "tax", "taxes", "balance", "market",
                                   "mkt", "charges", "charge", "interest", "withholding", "brokerage", "rate",
                                   "currency", "result", "unrealized", "realized", "unrealised", "realised",
                                   "gain", "loss", "p", "l", "avg", "average", "accrued", "exchange",
                                   "fx", "stamp", "duty", "levy", "gebühren", "provision", "steuer", "kosten",
                                   "frais", "commissione", "current", "recent", "limit", "price"});
const Words kTotals = wordsOf({"total", "totale", "totaal", "gesamt"});
const Words kActions = wordsOf({"action", "side", "activity", "type", "buy", "sell", "b", "s", "operation", "opération", "operazione",
                                "operación", "art", "direction", "richting", "buchungsart", "geschäftsart",
                                "transaktionsart", "mutation", "lato", "lado", "sens"});
const Words kNotActions = wordsOf({"security", "asset", "order", "account", "product", "instrument", "currency",
                                   "exchange", "settlement", "id", "code", "class", "option", "market", "fund",
                                   "tax", "fee", "date", "time", "no", "number", "reference", "ref", "amount",
                                   "value", "price", "cost"});
const Words kNames = wordsOf({"description", "name", "security", "product", "investment", "company", "fund",
                              "holding", "bezeichnung", "wertpapier", "wertpapiername", "produkt", "naam",
                              "omschrijving", "libellé", "libelle", "nom", "nome", "nombre", "descrizione",
                              "titolo", "designation", "désignation", "denominazione", "details"});
const Words kNotNames = wordsOf({"account", "type", "class", "currency", "exchange", "market", "client", "user",
                                 "file", "owner", "transaction", "broker", "order", "fee", "code", "id"});

// Japanese headings hold no blanks: what they name is told by the
// characters they hold.
HeadingReading japanese(const QString &h)
{
    HeadingReading r;
    const auto has = [&](const char16_t *s) { return h.contains(QStringView(s)); };
    if (has(u"\u53D7\u6E21\u65E5")) {   // 受渡日
        r.field = ImportField::TradeDate;
        r.date = DateKind::Settlement;
    } else if (has(u"\u7D04\u5B9A\u65E5") || has(u"\u53D6\u5F15\u65E5")) {   // 約定日, 取引日
        r.field = ImportField::TradeDate;
        r.date = DateKind::Trade;
    } else if (has(u"\u65E5\u4ED8")) {   // 日付
        r.field = ImportField::TradeDate;
        r.date = DateKind::Plain;
    } else if (has(u"\u5358\u4FA1")) {   // 単価
        r.field = ImportField::Price;
    } else if (has(u"\u6570\u91CF") || has(u"\u682A\u6570")) {   // 数量, 株数
        r.field = ImportField::Shares;
    } else if (has(u"\u53D7\u6E21\u91D1\u984D") || has(u"\u53D7\u6E21\u4EE3\u91D1")) {   // 受渡金額, 受渡代金
        r.field = ImportField::NetAmount;
    } else if (has(u"\u640D\u76CA") || has(u"\u53D6\u5F97")) {   // 損益, 取得: a gain, a cost of before
    } else if (has(u"\u30B3\u30FC\u30C9")) {   // コード
        r.field = ImportField::Ticker;
    } else if (has(u"\u58F2\u8CB7") || has(u"\u53D6\u5F15")) {   // 売買, 取引
        r.field = ImportField::Action;
    } else if (has(u"\u9298\u67C4")) {   // 銘柄
        r.field = ImportField::Name;
    }
    return r;
}

bool isJapanese(QChar c)
{
    return c.unicode() >= 0x3040 && c.unicode() <= 0x9FFF;
}

} // namespace

QStringList headingWords(QStringView heading)
{
    QString h = heading.trimmed().toString();
    h.remove(u'"');
    // A unit in brackets at the end: "Price (USD)", "数量［株］".
    for (const auto &[open, close] : {std::pair{u'(', u')'}, {u'[', u']'}, {u'\uFF3B', u'\uFF3D'}, {u'\uFF08', u'\uFF09'}}) {
        const qsizetype at = h.lastIndexOf(open);
        if (at > 0 && h.trimmed().endsWith(close))
            h.truncate(at);
    }
    QStringList words;
    QString word;
    const auto flush = [&] {
        if (!word.isEmpty())
            words << word.toLower();
        word.clear();
    };
    for (qsizetype i = 0; i < h.size(); ++i) {
        const QChar c = h[i];
        if (!c.isLetterOrNumber()) {
            flush();
            continue;
        }
        // "TransactionDate": a capital after a small letter starts a word.
        if (!word.isEmpty() && c.isUpper() && word.back().isLower())
            flush();
        word += c;
    }
    flush();
    return words;
}

HeadingReading readHeading(QStringView heading)
{
    if (std::any_of(heading.begin(), heading.end(), isJapanese))
        return japanese(heading.toString());
    const QStringList w = headingWords(heading);
    HeadingReading r;
    if (w.isEmpty())
        return r;
    if (any(w, kDates)) {
        r.field = ImportField::TradeDate;
        r.timeOnly = !any(w, kDates - kTimes);
        r.date = any(w, kSettlementDates) ? DateKind::Settlement
                 : any(w, kOtherDates)    ? DateKind::Other
                 : any(w, kTradeDates)    ? DateKind::Trade
                                          : DateKind::Plain;
    } else if ((any(w, kShares) || (w.contains(u"number") && (w.contains(u"shares") || w.contains(u"units"))))
               && !any(w, kPrices)) {
        r.field = ImportField::Shares;
    } else if (any(w, kTotals) && !any(w, kNotAmounts - kPrices)) {
        r.field = ImportField::NetAmount;   // "Total Price", "Total Cost"
    } else if ((any(w, kPrices) || (w.contains(u"unit") && w.contains(u"cost"))) && !any(w, kNotPrices)) {
        r.field = ImportField::Price;
    } else if (any(w, kTickers) && !any(w, kNotTickers)) {
        r.field = ImportField::Ticker;
    } else if (any(w, kAmounts) && !any(w, kNotAmounts)) {
        r.field = ImportField::NetAmount;
        r.debit = w.contains(u"debit");
    } else if ((any(w, kActions) || (w.contains(u"transaction") && w.size() <= 2)) && !any(w, kNotActions)) {
        r.field = ImportField::Action;
    } else if (any(w, kNames) && !any(w, kNotNames)) {
        r.field = ImportField::Name;
    } else if (any(w, kTickerOrName) && w.size() <= 2) {
        r.field = ImportField::Ticker;
        r.tickerOrName = true;
    }
    return r;
}

} // namespace tesmo::import
