// quorvel-sandbox: makes the sandbox that scripts/run --demo starts Quorvel
// in, and does the .uz2 work of the sandbox's stand-in for the game's tool.
#include "cache/uz2_codec.h"
#include "platform/errors.h"
#include "sandbox_builder.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace {

void say(FILE* to, const QString& text) {
    std::fputs(qPrintable(text + u'\n'), to);
    std::fflush(to);
}

int usage() {
    say(stderr, u"usage: quorvel-sandbox [--reset] FOLDER\n"
                "         makes a sandbox in FOLDER unless one is there (--reset: anew)\n"
                "       quorvel-sandbox --ucc compress|decompress FILE\n"
                "         converts FILE to or from .uz2 beside it, as the game's tool does"_s);
    return 2;
}

int convert(const QString& word, const QString& file) {
    const bool compress = word.compare(u"compress"_s, Qt::CaseInsensitive) == 0;
    if (!compress && word.compare(u"decompress"_s, Qt::CaseInsensitive) != 0)
        return usage();
    const QString output = cache::uz2OutputName(file, compress);
    if (output.isEmpty()) {
        say(stderr, file + u": nothing to "_s + word.toLower());
        return 1;
    }
    const cache::Uz2Result result =
        compress ? cache::compressUz2(file, output) : cache::decompressUz2(file, output);
    if (!result.ok) {
        say(stderr, result.error);
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.size() == 3 && args[0] == u"--ucc"_s)
        return convert(args[1], args[2]);
    const bool reset = args.removeAll(u"--reset"_s) > 0;
    if (args.size() != 1 || args[0].startsWith(u'-'))
        return usage();
    const QString root = args[0];
    try {
        if (reset)
            sandbox::removeSandbox(root);
        if (sandbox::isSandbox(root)) {
            say(stdout, u"Using the sandbox in "_s + root);
            return 0;
        }
        say(stdout, u"Making a sandbox in "_s + root + u" ..."_s);
        try {
            sandbox::buildSandbox(root, QCoreApplication::applicationFilePath());
        } catch (...) {
            // A half-made sandbox would be reused next time: take it away.
            if (sandbox::isSandbox(root))
                sandbox::removeSandbox(root);
            throw;
        }
        say(stdout, u"Sandbox ready."_s);
        return 0;
    } catch (const platform::Error& e) {
        say(stderr, u"quorvel-sandbox: "_s + e.text());
        return 1;
    }
}
