// vorn-search-bench ROOT MASK: runs the file search of the search window
// over ROOT and its subfolders with the file masks MASK, on the thread of a
// running application as the window does, and prints the full path of
// every file found, one per line, like find. For bench/search_walk.sh.
#include "search/FileSearch.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: vorn-search-bench ROOT MASK\n");
        return 2;
    }
    QCoreApplication app(argc, argv);
    TFileSearch search;
    search.Dirs = QFile::decodeName(argv[1]);
    search.FileMasks = QFile::decodeName(argv[2]);
    bool written = true;
    QObject::connect(
        &search, &TFileSearch::OnFound, [&written](TFileSearch*, const TSearchFileRecord& AFile) {
            const QByteArray path =
                QFile::encodeName(AFile.Dir + (AFile.Dir.endsWith(u'/') ? "" : "/") + AFile.Name);
            written =
                written &&
                std::fwrite(path.constData(), 1, path.size(), stdout) == std::size_t(path.size()) &&
                std::fputc('\n', stdout) != EOF;
        });
    search.StartSearch();
    if (!written || std::fflush(stdout) != 0) {
        std::perror("vorn-search-bench: writing the results");
        return 1;
    }
    return 0;
}
