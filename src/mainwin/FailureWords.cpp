#include "mainwin/FailureWords.h"

namespace tesmo {

namespace {

bool hasSentence(int number)
{
    switch (number) {
    case kErrEngineBusy:
    case kErrEngineLocked:
    case kErrEngineFull:
    case kErrEngineReadOnly:
        return true;
    default:
        return false;
    }
}

} // namespace

QString whyNotWritten(const Error &e, const char *again)
{
    switch (e.number()) {
    case kErrEngineBusy:
    case kErrEngineLocked:
        return QStringLiteral("another program holds the ledger file locked; close it and %1 again")
            .arg(QLatin1String(again));
    case kErrEngineFull:
        return QStringLiteral("the disk is full");
    case kErrEngineReadOnly:
    case kErrReadOnly:
        return QStringLiteral("the ledger file cannot be written here");
    default: {
        // The sentence around it ends it.
        QString why = e.description();
        while (why.endsWith(u'.'))
            why.chop(1);
        return why;
    }
    }
}

Error inUserWords(const Error &e)
{
    if (!hasSentence(e.number()))
        return e;
    QString sentence = whyNotWritten(e, "try");
    sentence[0] = sentence[0].toUpper();
    return Error(e.number(), sentence + u'.');
}

} // namespace tesmo
