#include "convertrun.h"

#include <QHash>

#include "converttexts.h"
#include "gateway.h"
#include "openplatformitems.h"
#include "topmessages.h"
#include "toppid.h"

namespace convert {

namespace {

// One call: up to twenty item ids, or up to twenty materials.
struct Batch
{
    bool materials = false;
    QStringList inputs;
};

// What became of one input asked about.
struct Answer
{
    Conversion conversion;
    QString failure;
};

// The gateway keeps materials (short links and 淘口令) behind a permission of their own.
bool isPermissionRefusal(const openplatform::TopError &error)
{
    return error.code == u"11" || error.subCode.contains(u"permission", Qt::CaseInsensitive);
}

QString entryFailure(const Conversion &conversion, const QString &secret)
{
    if (!conversion.code.isEmpty())
        return openplatform::errorMessage({conversion.code, conversion.msg, QString(), QString()}, secret);
    if (conversion.link.isEmpty() && conversion.tpwd.isEmpty())
        return converttexts::noLink.toString();
    return QString();
}

// A 淘口令 stays a 淘口令; a link or an id becomes the link.
QString replacementFor(const Found &found, const Conversion &conversion)
{
    if (found.kind == Found::Kind::Tpwd)
        return conversion.tpwd.isEmpty() ? conversion.link : conversion.tpwd;
    return conversion.link.isEmpty() ? conversion.tpwd : conversion.link;
}

// The entry that answers `input`, the j-th asked: the one that repeats it, else the one in the
// same place when the gateway answered every input without repeating them.
const Conversion *answerTo(const QList<Conversion> &entries, const QString &input, qsizetype j,
                           qsizetype asked)
{
    for (const Conversion &entry : entries) {
        if (entry.input == input)
            return &entry;
    }
    if (entries.size() == asked && entries[j].input.isEmpty())
        return &entries[j];
    return nullptr;
}

// Why the call brought no conversions, or empty text with `reply` read.
QString callFailure(const openplatform::CallResult &result, const Batch &batch, const ConvertSetup &setup,
                    LinkConvertReply &reply)
{
    using Status = openplatform::CallResult::Status;
    const QString &secret = setup.account.appSecret;
    if (result.status != Status::Replied && result.status != Status::HttpError)
        return openplatform::transportFailure(result, secret);
    reply = parseLinkConvert(result.body);
    // An error_response explains itself better than the status it came with.
    if (reply.kind == openplatform::ReplyKind::Error)
        return batch.materials && isPermissionRefusal(reply.error)
                   ? converttexts::materialPermission.toString()
                   : openplatform::errorMessage(reply.error, secret);
    if (result.status == Status::HttpError)
        return openplatform::transportFailure(result, secret);
    if (reply.kind == openplatform::ReplyKind::Unparseable)
        return openplatform::unparseableText.toString();
    return QString();
}

} // namespace

qsizetype ConvertOutcome::convertedCount() const
{
    return std::count_if(replacements.begin(), replacements.end(),
                         [](const QString &r) { return !r.isEmpty(); });
}

QString setupRefusal(const ConvertSetup &setup)
{
    if (setup.source != itemsource::Source::OpenPlatform)
        return converttexts::notOpenPlatform.toString();
    if (setup.account.appKey.isEmpty() || setup.account.appSecret.isEmpty())
        return openplatform::missingAccountText.toString();
    return openplatform::pidRefusal(setup.pid);
}

ConvertOutcome convertText(const QString &text, const ConvertSetup &setup, const net::Cancellation *cancel,
                           const Progress &progress)
{
    ConvertOutcome outcome;
    outcome.text = text;
    outcome.refusal = setupRefusal(setup);
    if (!outcome.refusal.isEmpty()) {
        outcome.status = ConvertOutcome::Status::Refused;
        return outcome;
    }
    outcome.found = recognise(text);

    // Each id or material is asked about once, however often the text holds it.
    QStringList itemIds;
    QStringList materials;
    for (const Found &found : std::as_const(outcome.found)) {
        QStringList &inputs = found.isItem() ? itemIds : materials;
        if (!inputs.contains(found.input))
            inputs.append(found.input);
    }
    QList<Batch> batches;
    for (qsizetype i = 0; i < itemIds.size(); i += maxPerCall)
        batches.append({false, itemIds.mid(i, maxPerCall)});
    for (qsizetype i = 0; i < materials.size(); i += maxPerCall)
        batches.append({true, materials.mid(i, maxPerCall)});

    const QString adzone = openplatform::adzoneOf(setup.pid).value_or(QString());
    QHash<QString, Answer> itemAnswers;
    QHash<QString, Answer> materialAnswers;
    // A refusal of the whole account ends the run; one of materials only their calls.
    QString stopped;
    QString materialsRefused;
    for (qsizetype b = 0; b < batches.size(); ++b) {
        const Batch &batch = batches[b];
        QHash<QString, Answer> &answers = batch.materials ? materialAnswers : itemAnswers;
        QString failure = !stopped.isEmpty() ? stopped : batch.materials ? materialsRefused : QString();
        LinkConvertReply reply;
        if (failure.isEmpty()) {
            const openplatform::CallResult result =
                openplatform::call(linkConvertMethod,
                                   batch.materials ? linkConvert(adzone, {}, batch.inputs)
                                                   : linkConvert(adzone, batch.inputs, {}),
                                   setup.account, setup.now(), cancel);
            if (result.status == openplatform::CallResult::Status::Cancelled) {
                outcome.status = ConvertOutcome::Status::Cancelled;
                break;
            }
            failure = callFailure(result, batch, setup, reply);
            if (failure == converttexts::materialPermission)
                materialsRefused = failure;
            else if (!failure.isEmpty())
                stopped = failure;
        }
        const QList<Conversion> &entries = batch.materials ? reply.materials : reply.items;
        for (qsizetype j = 0; j < batch.inputs.size(); ++j) {
            const QString &input = batch.inputs[j];
            if (!failure.isEmpty()) {
                answers.insert(input, {Conversion(), failure});
            } else if (const Conversion *entry = answerTo(entries, input, j, batch.inputs.size())) {
                answers.insert(input, {*entry, entryFailure(*entry, setup.account.appSecret)});
            } else {
                answers.insert(input, {Conversion(), converttexts::noAnswer.toString()});
            }
        }
        if (progress)
            progress(int(b + 1), int(batches.size()));
    }

    const bool cancelled = outcome.status == ConvertOutcome::Status::Cancelled;
    for (const Found &found : std::as_const(outcome.found)) {
        const Answer answer = (found.isItem() ? itemAnswers : materialAnswers).value(found.input);
        outcome.conversions.append(answer.conversion);
        outcome.failures.append(cancelled ? converttexts::cancelled.toString() : answer.failure);
        outcome.replacements.append(
            cancelled || !answer.failure.isEmpty() ? QString() : replacementFor(found, answer.conversion));
    }
    outcome.text = rewrite(text, outcome.found, outcome.replacements);
    return outcome;
}

} // namespace convert
