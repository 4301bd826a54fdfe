#include "settings/ShellCopyFile.h"

#include "model/OperatorPrompts.h"
#include "settings/StagedFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const QString kCaption = QCoreApplication::translate("ShellCopyFile", "File Copy..");

QString Shown(const QString& path) {
    return QDir::toNativeSeparators(path);
}

ShellCopyResult Fail(OperatorPrompts& host, const QString& text) {
    host.ShowMessage(text, kCaption);
    return ShellCopyResult::Failed;
}

} // namespace

ShellCopyResult ShellCopyFile(QString source, QString target, OperatorPrompts& host) {
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return Fail(host, QCoreApplication::translate("ShellCopyFile", "Cannot read %1:\n%2")
                              .arg(Shown(source), in.errorString()));
    const QByteArray contents = in.readAll();
    if (in.error() != QFileDevice::NoError)
        return Fail(host, QCoreApplication::translate("ShellCopyFile", "Cannot read %1:\n%2")
                              .arg(Shown(source), in.errorString()));
    in.close();

    const QFileInfo targetInfo(target);
    if (targetInfo.isDir())
        return Fail(host, QCoreApplication::translate("ShellCopyFile",
                                                      "Cannot copy to %1:\nit is a folder.")
                              .arg(Shown(target)));
    if (targetInfo.exists() &&
        !host.AskYesNo(QCoreApplication::translate("ShellCopyFile",
                                                   "%1 already exists.\nDo you want to replace it?")
                           .arg(Shown(target)),
                       kCaption))
        return ShellCopyResult::Declined;

    StagedFile staged(target);
    if (!staged.Stage(contents) || !staged.Commit())
        return Fail(host, QCoreApplication::translate("ShellCopyFile", "Cannot copy %1 to %2.")
                              .arg(Shown(source), Shown(target)));
    return ShellCopyResult::Done;
}
