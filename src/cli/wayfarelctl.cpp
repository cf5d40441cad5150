#include <QCoreApplication>
#include <QTextStream>

namespace {

const char *const Usage =
    "Usage: wayfarelctl COMMAND [ARGUMENTS]\n"
    "Switches this computer between network locations from a terminal.\n"
    "\n"
    "Commands:\n"
    "  --help       show this text\n"
    "  --version    show the program's version\n";

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    QTextStream out(stdout);
    if (args.value(0) == QLatin1String("--version")) {
        out << "wayfarelctl " << WAYFAREL_VERSION << Qt::endl;
        return 0;
    }
    out << Usage;
    return args.isEmpty() || args.value(0) == QLatin1String("--help") ? 0 : 2;
}
