// TFileSearch: the file search behind the search window. It walks folders on
// the calling thread, tests each file against masks, a size range,
// attributes and file times, and reports what it finds through signals.
//
// The walk
// - `Dirs` is a list of folders separated by ";"; blanks around an entry are
//   ignored, and so are empty entries. A folder given there may itself be a
//   symbolic link; below it no symbolic link to a folder is followed, and
//   the walk never enters another mount (another file system, or a bind
//   mount of the same one), as `find -xdev` does.
// - A missing folder, one that is not a folder, and a folder that cannot be
//   opened or read (no permission, no descriptor left) are passed over
//   without a word. Hidden folders are searched.
// - Every folder is searched at most once per search, so overlapping
//   entries of `Dirs` ("/a;/a/b", or one folder twice) report each file
//   once.
// - Only files are reported: regular files, and symbolic links to regular
//   files (with the size, times and attributes of the file they lead to).
//   Folders are never reported, whatever their names.
// - Names are UTF-8, as everywhere in the program: a file or folder whose
//   name is not could not be named to the rest of the program, and is passed
//   over with everything below it.
//
// Events and threads
// Every signal is emitted on the thread that called StartSearch, with the
// search as `ASender`. On entering a folder the search emits OnDirChange and
// then processes the thread's pending events, so a window stays responsive
// and a handler may call CancelSearch. Before each folder entry and before
// each subfolder the search tests for a cancel request and for the end of
// the application (a Quit event that the application accepts). A search
// ends with OnFinished when neither came, OnCancel when one did, and then
// OnEnd, last of all; StartSearch returns after OnEnd.
#pragma once

#include <QDateTime>
#include <QFlags>
#include <QObject>
#include <QString>

#include <cstdint>

class QEvent;

// File attributes in the sense of the search: the bits of the DOS
// attribute word, and fmAnyfile, which stands for any entry.
enum TFileSearchAttr : std::uint32_t {
    fmReadOnly = 0x01,
    fmHidden = 0x02,
    fmSystem = 0x04,
    fmArchive = 0x20,
    fmAnyfile = 0x100,
};
Q_DECLARE_FLAGS(TFileSearchAttrs, TFileSearchAttr)
Q_DECLARE_OPERATORS_FOR_FLAGS(TFileSearchAttrs)

// The file times that `CheckDates` can bound.
enum TSearchCheckDate : std::uint32_t {
    scdCreateAfter = 0x1,
    scdAccessedAfter = 0x2,
    scdModifiedAfter = 0x4,
};
Q_DECLARE_FLAGS(TSearchCheckDates, TSearchCheckDate)
Q_DECLARE_OPERATORS_FOR_FLAGS(TSearchCheckDates)

// One found file, valid while OnFound runs.
struct TSearchFileRecord {
    QString Dir;  // its folder, as the search walked it, with no "/" at the end unless it is "/"
    QString Name; // its name, without the folder
    TFileSearchAttrs Attributes; // fmReadOnly, fmHidden, fmSystem, fmArchive
    std::uint64_t Size = 0;      // in bytes
    QDateTime CreationTime;      // all three in local time
    QDateTime LastAccessTime;
    QDateTime LastWriteTime;
};

class TFileSearch : public QObject {
    Q_OBJECT
public:
    explicit TFileSearch(QObject* AParent = nullptr);

    // The criteria, read once when a search starts.

    // Name masks separated by ";" (blanks around a mask and empty masks are
    // ignored); a name must match one of them as a whole. "?" matches any
    // one character and "*" any run of characters, dots included; letter
    // case is ignored. No mask at all matches every name.
    QString FileMasks = QStringLiteral("*");
    // The folders to search, separated by ";".
    QString Dirs;
    // Whether subfolders are searched too.
    bool RecurseSubDirs = true;
    // A file's size must be at least MinSize bytes, and at most MaxSize
    // bytes unless MaxSize is 0.
    std::uint64_t MinSize = 0;
    std::uint64_t MaxSize = 0;
    // With fmAnyfile any file matches; otherwise a file must carry every
    // attribute in the set (an empty set accepts any file).
    TFileSearchAttrs Attributes = fmAnyfile;
    // For each kind in CheckDates the file's creation, last access or last
    // write time must be at or after the matching date-time below (an
    // invalid date-time imposes no bound).
    TSearchCheckDates CheckDates;
    QDateTime CreatedAfter;
    QDateTime AccessedAfter;
    QDateTime ModifiedAfter;

    // Runs a whole search with the criteria above and returns after OnEnd.
    // Does nothing while a search of this object runs (from one of its own
    // handlers, for example).
    void StartSearch();
    // Asks the running search to stop at its next test; it then ends with
    // OnCancel and OnEnd. Does nothing when no search runs.
    void CancelSearch();

signals:
    // For each matching file.
    void OnFound(TFileSearch* ASender, const TSearchFileRecord& AFileData);
    // On entering each folder, with its path.
    void OnDirChange(TFileSearch* ASender, const QString& AFileName);
    // The search has completed without a cancel request.
    void OnFinished(TFileSearch* ASender);
    // The search has ended after a cancel request or the end of the
    // application.
    void OnCancel(TFileSearch* ASender);
    // After OnFinished or OnCancel, last.
    void OnEnd(TFileSearch* ASender);

protected:
    bool eventFilter(QObject* AWatched, QEvent* AEvent) override;

private:
    class TWalk;

    bool FSearching = false;
    bool FCancelRequested = false;
    bool FApplicationEnding = false;
    bool FDeliveringQuit = false;
};
