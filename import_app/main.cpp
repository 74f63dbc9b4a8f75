// Ferrydeck: brings loose Outlook Express mailbox files back into the mail store.
//   ferrydeck                        the window
//   ferrydeck --import FILE...       imports the files without showing the window
//   ferrydeck --import-folder DIR    imports every mailbox file below DIR without the window
//   ferrydeck --version              the product's name and version
#include <sys/stat.h>
#include <unistd.h>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <winpal/class_registration.h>
#include <winpal/installed_servers.h>

#include "import_app/ConsoleDesktop.h"
#include "import_app/frmMain.h"
#include "import_support/RuntimeError.h"
#include "install_layout.h"
#include "program_version.h"

namespace {

constexpr int kUsageError = 2;

const char kUsage[] =
    "Usage: ferrydeck [--import FILE... | --import-folder FOLDER]\n"
    "\n"
    "Without arguments Ferrydeck opens its window: add Outlook Express mailbox files (.dbx)\n"
    "to the list, one by one or every one below a folder, and press \"Import into Outlook\n"
    "Express\". Each listed file becomes a new top-level folder of your mail store, named\n"
    "after the file, holding the file's mail. Your own files are only read, never changed.\n"
    "\n"
    "  --import FILE...        import these mailbox files without showing the window\n"
    "  --import-folder FOLDER  import every mailbox file below FOLDER without the window\n"
    "  --help                  show this text\n"
    "  --version               show the program's name and version\n"
    "\n"
    "Without the window, one line is printed per file and a summary at the end; the exit\n"
    "status is 0 only when every file was imported.\n"
    "\n"
    "The mail store and the registry live in the prefix ($WINPAL_PREFIX, by default\n"
    "~/.local/share/winpal). An installed Ferrydeck registers the Quillbox control, the mail\n"
    "store and the address book there on its first run; from a build, register them first:\n"
    "regsvr oestore.so && regsvr libquillbox.so\n";

const char kNoDisplay[] =
    "ferrydeck: no usable display to show the window on (check DISPLAY or WAYLAND_DISPLAY and\n"
    "QT_QPA_PLATFORM); use --import to import without the window (see --help)\n";

struct Arguments {
    bool help = false;
    bool version = false;
    bool headless = false;
    QStringList files;
    QString folder;
    QString error;
};

Arguments Parse(const QStringList& args) {
    Arguments parsed;
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            parsed.help = true;
        } else if (arg == QLatin1String("--version")) {
            parsed.version = true;
        } else if (arg == QLatin1String("--import")) {
            parsed.headless = true;
            while (i + 1 < args.size() && !args[i + 1].startsWith(QLatin1String("--"))) {
                parsed.files.append(args[++i]);
            }
            if (parsed.files.isEmpty())
                parsed.error = QStringLiteral("--import needs files");
        } else if (arg == QLatin1String("--import-folder")) {
            parsed.headless = true;
            if (i + 1 >= args.size()) {
                parsed.error = QStringLiteral("--import-folder needs a folder");
            } else {
                parsed.folder = args[++i];
            }
        } else {
            parsed.error = QStringLiteral("unknown argument: ") + arg;
        }
    }
    return parsed;
}

int RunHeadless(const Arguments& arguments) {
    if (!arguments.folder.isEmpty()) {
        QFileInfo folder(arguments.folder);
        if (!folder.isDir()) {
            std::fprintf(stderr, "ferrydeck: %s %s\n", arguments.folder.toLocal8Bit().constData(),
                         folder.exists() ? "is a file, not a folder" : "does not exist");
            return 1;
        }
    }
    ConsoleDesktop desktop;
    frmMain form(&desktop);
    form.CreateControlWindow();
    if (!form.OEDispatch())
        return kUsageError;

    for (const QString& file : arguments.files)
        form.AddFileToList(QFileInfo(file).absoluteFilePath());
    if (!arguments.folder.isEmpty()) {
        try {
            form.AddFolderToList(QDir(arguments.folder).absolutePath() + u'/');
        } catch (const vb::RuntimeError& error) {
            std::fprintf(stderr, "ferrydeck: %s\n", error.Description().toLocal8Bit().constData());
            return 1;
        }
    }
    int listed = form.grdFiles1->Rows();
    form.grdFiles1->SetRow(0);
    if (listed == 1 && form.grdFiles1->Text().isEmpty()) {
        std::printf("No mailbox files to import.\n");
        return 1;
    }

    form.OnRowDone([](const QString& line) {
        std::printf("%s\n", line.toLocal8Bit().constData());
        std::fflush(stdout);
    });
    form.CmdConvert2PDF_Click();

    int imported = 0;
    for (frmMain::RowOutcome outcome : form.LastRunOutcomes()) {
        if (outcome == frmMain::RowOutcome::Imported)
            ++imported;
    }
    std::printf("Imported %d of %d files.\n", imported, listed);
    return imported == listed ? 0 : 1;
}

// An installed Ferrydeck registers the servers installed with it in the user's prefix when they
// are not registered there yet, as an installer does for each user on Windows, and says so. The
// build tree's programs have no installed servers and leave registration to regsvr.
void RegisterInstalledServers() {
    const std::filesystem::path programFolder =
        std::filesystem::path(winpal::ModuleFileName(nullptr)).parent_path();
    const auto folder = winpal::InstalledServerFolder(
        programFolder, install_layout::kServersFromPrograms, install_layout::kServers);
    if (!folder)
        return;
    for (const std::string& line :
         winpal::RegisterInstalledServers(*folder, install_layout::kServers, "ferrydeck"))
        std::fprintf(stderr, "%s\n", line.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    // The product's name and version, as the version resource names them.
    QCoreApplication::setApplicationName(QString::fromLatin1(program_version::kProduct));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(program_version::kNumber));
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args.append(QString::fromLocal8Bit(argv[i]));
    Arguments arguments = Parse(args);
    if (arguments.help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (arguments.version) {
        std::printf("%s %s\n", QCoreApplication::applicationName().toLocal8Bit().constData(),
                    QCoreApplication::applicationVersion().toLocal8Bit().constData());
        return 0;
    }
    if (!arguments.error.isEmpty()) {
        std::fprintf(stderr, "ferrydeck: %s\n\n%s", arguments.error.toLocal8Bit().constData(),
                     kUsage);
        return kUsageError;
    }
    RegisterInstalledServers();
    if (arguments.headless) {
        // The import without the window needs no screen: whatever platform the environment
        // names, the hidden window is made on the offscreen one, which every Qt has.
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        if (!std::getenv("XDG_RUNTIME_DIR")) {
            // The folder Qt falls back to anyway, named so that it does not warn about it.
            std::string runtime = "/tmp/runtime-" + std::to_string(getuid());
            mkdir(runtime.c_str(), 0700);
            setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        }
        QApplication app(argc, argv);
        return RunHeadless(arguments);
    }

    // The window needs a screen. Qt tries the platforms named here in order; when none of the
    // wanted ones works, it ends up on the offscreen one, which is taken as "no usable display"
    // instead of letting Qt end the program.
    QString wanted = QString::fromLocal8Bit(qgetenv("QT_QPA_PLATFORM"));
    bool asksOffscreen = wanted == QLatin1String("offscreen");
    if (wanted.isEmpty()) {
        if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) {
            std::fputs(kNoDisplay, stderr);
            return kUsageError;
        }
        wanted =
            std::getenv("WAYLAND_DISPLAY") ? QStringLiteral("wayland;xcb") : QStringLiteral("xcb");
    }
    if (!asksOffscreen)
        qputenv("QT_QPA_PLATFORM", (wanted + QStringLiteral(";offscreen")).toLocal8Bit());
    QApplication app(argc, argv);
    if (!asksOffscreen && QGuiApplication::platformName() == QLatin1String("offscreen")) {
        std::fputs(kNoDisplay, stderr);
        return kUsageError;
    }

    frmMain form;
    form.show();
    return QApplication::exec();
}
