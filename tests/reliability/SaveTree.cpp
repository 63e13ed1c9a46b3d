#include "reliability/SaveTree.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>

#include <sys/resource.h>

#include <thread>

namespace {

constexpr qsizetype kNameMaxBytes = 255;
// A picture's partial file, and the validator kept beside it for resuming.
bool IsTemporary(const QString& path) {
    return path.endsWith(QLatin1String(".quorvix-part")) ||
           path.endsWith(QLatin1String(".quorvix-validator"));
}

void CheckComponents(const QString& relative, QStringList& problems) {
    for (const QString& component : relative.split(QLatin1Char('/'))) {
        if (component.toUtf8().size() > kNameMaxBytes) {
            problems << QStringLiteral("too long (%1 bytes): %2")
                            .arg(component.toUtf8().size())
                            .arg(relative.left(80));
        }
        if (component.isEmpty() || component == QLatin1String(".") ||
            component == QLatin1String("..")) {
            problems << QStringLiteral("empty or dot component: ") + relative;
        } else if (component.startsWith(QLatin1Char('.'))) {
            problems << QStringLiteral("hidden: ") + relative;
        }
    }
}

}  // namespace

SaveTree ReadSaveTree(const QString& saveFolder) {
    SaveTree tree;
    const QString root = QFileInfo(saveFolder).canonicalFilePath() + QLatin1Char('/');
    QDirIterator it(saveFolder,
                    QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        const QString relative = QDir(saveFolder).relativeFilePath(info.filePath());
        if (info.isSymLink()) {
            tree.problems << QStringLiteral("link: ") + relative;
            continue;
        }
        if (!info.canonicalFilePath().startsWith(root)) {
            tree.problems << QStringLiteral("outside: ") + info.canonicalFilePath();
        }
        CheckComponents(relative, tree.problems);
        (info.isDir() ? tree.folders : tree.files) << relative;
    }
    tree.files.sort();
    tree.folders.sort();
    return tree;
}

QStringList TemporaryFiles(const SaveTree& tree) {
    QStringList found;
    for (const QString& file : tree.files) {
        if (IsTemporary(file)) {
            found << file;
        }
    }
    return found;
}

QStringList PictureFiles(const SaveTree& tree) {
    QStringList found;
    for (const QString& file : tree.files) {
        const QString name = file.mid(file.lastIndexOf(QLatin1Char('/')) + 1);
        if (!IsTemporary(name) && name != QLatin1String("pic.kzt") &&
            !name.endsWith(QLatin1String(".lst")) && !name.endsWith(QLatin1String(".txt"))) {
            found << file;
        }
    }
    return found;
}

long LargestChildRssKb() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return usage.ru_maxrss;
}

void StartCli(QProcess& process, const QStringList& arguments, const QString& proxyUrl) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"http_proxy", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY",
                             "no_proxy", "NO_PROXY"}) {
        environment.remove(QString::fromLatin1(name));
    }
    environment.insert(QStringLiteral("http_proxy"), proxyUrl);
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(QUORVIX_CLI_EXE), arguments);
    process.closeWriteChannel();
}

void RunOnOwnThread(const std::function<void()>& function) {
    std::thread(function).join();
}
