#pragma once

#include <QString>
#include <QStringList>

class FormPort;
namespace net {
class Cancellation;
}

enum class CopyOutcome { Copied, Failed, Cancelled };

// Copies the template folder `source` into `target` on a worker thread, while the caller's
// events keep flowing: a template of thousands of files neither freezes the window nor delays a
// close. A copy that takes a while shows a progress page. A cancel stops it after the file in
// hand. The links left out go to `skippedLinks`.
CopyOutcome copyTemplate(FormPort &form, const QString &source, const QString &target,
                         QStringList &skippedLinks, const net::Cancellation &cancel);
