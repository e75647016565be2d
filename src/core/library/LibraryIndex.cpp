#include "core/library/LibraryIndex.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <unordered_set>
#include <utility>

#include "core/picture/PictureTypes.h"

namespace orv {
namespace {

// 'ORVN': a file at the index's path that carries another id is not ours.
constexpr int kApplicationId = 0x4F52564E;
// Long enough to ride over the other process's short transactions, short enough that a stop or a
// deal never waits long behind a stuck one.
constexpr int kBusyMs = 250;
// Sorted positions are spaced this far apart at the first walk, so later finds fit between.
constexpr int64_t kOrdSpacing = int64_t{1} << 32;
// A picture dealt but not shown within this time is free for any process to deal again.
constexpr int64_t kClaimSeconds = 120;
// Places in the cycle are drawn below this.
constexpr uint64_t kDealRange = uint64_t{1} << 62;

const char* const kSchema = R"(
CREATE TABLE meta(key TEXT PRIMARY KEY, value) WITHOUT ROWID;
CREATE TABLE root(path TEXT PRIMARY KEY, complete INTEGER NOT NULL) WITHOUT ROWID;
CREATE TABLE folder(id INTEGER PRIMARY KEY, path TEXT NOT NULL UNIQUE, parent INTEGER,
                    mtime INTEGER, seen INTEGER NOT NULL);
CREATE INDEX folder_parent ON folder(parent);
CREATE TABLE picture(folder INTEGER NOT NULL, name TEXT NOT NULL, ord INTEGER NOT NULL,
                     deal INTEGER NOT NULL, pending INTEGER NOT NULL, size INTEGER, mtime INTEGER,
                     width INTEGER, height INTEGER, taken INTEGER, lat REAL, lon REAL,
                     hidden INTEGER NOT NULL DEFAULT 0, claim INTEGER,
                     PRIMARY KEY(folder, name)) WITHOUT ROWID;
CREATE INDEX picture_cycle ON picture(pending, deal);
CREATE INDEX picture_sorted ON picture(ord);
CREATE INDEX picture_hidden ON picture(hidden) WHERE hidden <> 0;
)";

// The cycle's index takes every new picture at a random place. A walk that fills an empty index
// goes without it and makes it whole at its end: one sort of the finished table, its pages packed,
// instead of a million writes to pages spread over the whole index (which, once the index outgrows
// the page cache, cost a read and a WAL page each, and slowed the build as it went).
constexpr const char* kCycleIndex = "CREATE INDEX IF NOT EXISTS picture_cycle ON picture(pending, deal)";

// The folder part and the name of a path as the walk builds it (folder + "\" + name).
bool SplitPath(const std::string& path, std::string& folder, std::string& name) {
    const size_t cut = path.rfind('\\');
    if (cut == std::string::npos || cut + 1 >= path.size()) return false;
    folder = path.substr(0, cut);
    name = path.substr(cut + 1);
    return true;
}

// One prepared statement, reset after each use.
class Stmt {
public:
    Stmt() = default;
    Stmt(sqlite3* db, const char* sql) {
        if (sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, &m_stmt, nullptr) != SQLITE_OK)
            m_stmt = nullptr;
    }
    ~Stmt() { sqlite3_finalize(m_stmt); }
    Stmt(const Stmt&) = delete;
    Stmt& operator=(const Stmt&) = delete;
    Stmt(Stmt&& other) noexcept : m_stmt(other.m_stmt) { other.m_stmt = nullptr; }
    Stmt& operator=(Stmt&& other) noexcept {
        std::swap(m_stmt, other.m_stmt);
        return *this;
    }

    explicit operator bool() const { return m_stmt != nullptr; }
    sqlite3_stmt* get() const { return m_stmt; }

    Stmt& Bind(int i, int64_t v) {
        sqlite3_bind_int64(m_stmt, i, v);
        return *this;
    }
    Stmt& Bind(int i, const std::string& v) {
        sqlite3_bind_text(m_stmt, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
        return *this;
    }
    Stmt& BindNull(int i) {
        sqlite3_bind_null(m_stmt, i);
        return *this;
    }
    Stmt& BindReal(int i, double v) {
        sqlite3_bind_double(m_stmt, i, v);
        return *this;
    }
    // SQLITE_ROW or SQLITE_DONE; anything else is an error.
    int Step() { return m_stmt ? sqlite3_step(m_stmt) : SQLITE_ERROR; }
    // Runs a statement that returns no row; true when it did.
    bool Run() {
        const int rc = Step();
        Reset();
        return rc == SQLITE_DONE;
    }
    void Reset() {
        if (m_stmt) {
            sqlite3_reset(m_stmt);
            sqlite3_clear_bindings(m_stmt);
        }
    }
    int64_t Int(int column) const { return sqlite3_column_int64(m_stmt, column); }
    bool Null(int column) const { return sqlite3_column_type(m_stmt, column) == SQLITE_NULL; }
    std::string Text(int column) const {
        const auto* text = sqlite3_column_text(m_stmt, column);
        return text ? std::string(reinterpret_cast<const char*>(text),
                                  static_cast<size_t>(sqlite3_column_bytes(m_stmt, column)))
                    : std::string();
    }

private:
    sqlite3_stmt* m_stmt = nullptr;
};

bool IsDamage(int rc) {
    const int primary = rc & 0xFF;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

// A write transaction: BEGIN IMMEDIATE takes the write lock at once (waiting at most the busy
// time-out), so a transaction never fails half-way for want of it. Rolled back unless committed;
// a step that failed on a damaged page before the roll-back sets *damaged (the roll-back clears
// the connection's error).
class Transaction {
public:
    explicit Transaction(sqlite3* db, bool* damaged = nullptr) : m_db(db), m_damaged(damaged) {
        m_open = sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    ~Transaction() {
        if (!m_open) return;
        if (m_damaged && IsDamage(sqlite3_extended_errcode(m_db))) *m_damaged = true;
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    bool Open() const { return m_open; }
    bool Commit() {
        if (!m_open) return false;
        m_open = false;
        if (sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK) return true;
        if (m_damaged && IsDamage(sqlite3_extended_errcode(m_db))) *m_damaged = true;
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        return false;
    }

private:
    sqlite3* m_db;
    bool* m_damaged;
    bool m_open = false;
};

// Renames the file and its WAL companions beside it; false when the file itself stays.
bool SetAside(const std::string& file, int64_t now) {
    const std::string aside = file + ".damaged-" + std::to_string(now);
    if (std::rename(file.c_str(), aside.c_str()) != 0) return false;
    for (const char* suffix : {"-wal", "-shm"}) {
        const std::string companion = file + suffix;
        if (std::rename(companion.c_str(), (aside + suffix).c_str()) != 0) std::remove(companion.c_str());
    }
    return true;
}

enum class Check { Ours, Empty, Foreign, Newer, Damaged, Failed };

int64_t PragmaInt(sqlite3* db, const char* sql, int& rc) {
    sqlite3_stmt* stmt = nullptr;
    rc = sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr);
    int64_t value = 0;
    if (rc == SQLITE_OK) {
        rc = sqlite3_step(stmt);
        if (rc == SQLITE_ROW) {
            value = sqlite3_column_int64(stmt, 0);
            rc = SQLITE_OK;
        } else if (rc == SQLITE_DONE) {
            rc = SQLITE_OK;
        }
    }
    sqlite3_finalize(stmt);
    return value;
}

// Whether the file is shorter than the pages its header counts. Only where the WAL holds no frames:
// after a crash, pages may live there and not yet in the file.
bool CutShort(sqlite3* db) {
    sqlite3_file* main = nullptr;
    sqlite3_file* wal = nullptr;
    sqlite3_int64 bytes = 0;
    if (sqlite3_file_control(db, "main", SQLITE_FCNTL_FILE_POINTER, &main) != SQLITE_OK || !main ||
        !main->pMethods || main->pMethods->xFileSize(main, &bytes) != SQLITE_OK)
        return false;
    sqlite3_int64 walBytes = 0;
    if (sqlite3_file_control(db, "main", SQLITE_FCNTL_JOURNAL_POINTER, &wal) == SQLITE_OK && wal &&
        wal->pMethods && wal->pMethods->xFileSize(wal, &walBytes) == SQLITE_OK && walBytes > 0)
        return false;
    int rc = SQLITE_OK;
    const int64_t pages = PragmaInt(db, "PRAGMA page_count", rc);
    if (rc != SQLITE_OK) return IsDamage(rc);
    const int64_t pageBytes = PragmaInt(db, "PRAGMA page_size", rc);
    return rc == SQLITE_OK && pages * pageBytes > bytes;
}

Check Inspect(sqlite3* db) {
    int rc = SQLITE_OK;
    // The first read of the file: a file that is not a database fails here.
    const int64_t tables = PragmaInt(db, "SELECT count(*) FROM sqlite_schema", rc);
    if (IsDamage(rc)) return Check::Damaged;
    if (rc != SQLITE_OK) return Check::Failed;
    const int64_t id = PragmaInt(db, "PRAGMA application_id", rc);
    if (rc != SQLITE_OK) return IsDamage(rc) ? Check::Damaged : Check::Failed;
    const int64_t version = PragmaInt(db, "PRAGMA user_version", rc);
    if (rc != SQLITE_OK) return IsDamage(rc) ? Check::Damaged : Check::Failed;
    if (tables == 0 && id == 0) return Check::Empty;
    if (id != kApplicationId) return Check::Foreign;
    if (version > LibraryIndex::kSchemaVersion) return Check::Newer;
    if (version < 1) return Check::Foreign;
    // A file cut short (a copy that did not finish, a disk that filled) is caught here, by its
    // length; a page damaged within is caught when a step reads it (LibraryIndex::Watch). Reading
    // every page at each start would cost seconds on a large library before the first picture.
    return CutShort(db) ? Check::Damaged : Check::Ours;
}

bool HasIndex(sqlite3* db, const char* name) {
    sqlite3_stmt* stmt = nullptr;
    bool found = false;
    if (sqlite3_prepare_v2(db, "SELECT 1 FROM sqlite_schema WHERE type = 'index' AND name = ?1", -1, &stmt,
                           nullptr) == SQLITE_OK &&
        sqlite3_bind_text(stmt, 1, name, -1, SQLITE_STATIC) == SQLITE_OK)
        found = sqlite3_step(stmt) == SQLITE_ROW;
    sqlite3_finalize(stmt);
    return found;
}

sqlite3* OpenFile(const std::string& file) {
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(file.c_str(), &db,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_close(db);
        return nullptr;
    }
    sqlite3_busy_timeout(db, kBusyMs);
    sqlite3_extended_result_codes(db, 1);
    return db;
}

}  // namespace

struct LibraryIndex::Statements {
    explicit Statements(sqlite3* db)
        : folderGet(db, "SELECT id FROM folder WHERE path = ?1"),
          folderAdd(db, "INSERT INTO folder(path, parent, mtime, seen) VALUES(?1, ?2, ?3, ?4)"),
          folderSeen(db, "UPDATE folder SET seen = ?2, mtime = ?3 WHERE id = ?1"),
          folderKept(db, "UPDATE folder SET seen = ?2 WHERE path = ?1"),
          folderChild(db, "INSERT OR IGNORE INTO folder(path, parent, mtime, seen) VALUES(?1, ?2, NULL, 0)"),
          folderTime(db, "UPDATE folder SET mtime = ?2 WHERE path = ?1"),
          folderStored(db, "SELECT id, mtime FROM folder WHERE path = ?1"),
          folderChildren(db, "SELECT id, path FROM folder WHERE parent = ?1"),
          folderNames(db, "SELECT name, size, mtime FROM picture WHERE folder = ?1"),
          pictureDrop(db, "DELETE FROM picture WHERE folder = ?1 AND name = ?2"),
          pictureTouch(db, "UPDATE picture SET size = ?3, mtime = ?4 WHERE folder = ?1 AND name = ?2"),
          pictureAdd(db,
                     "INSERT OR IGNORE INTO picture(folder, name, ord, deal, pending, size, mtime) "
                     "VALUES(?1, ?2, ?3, ?4, 1, ?5, ?6)"),
          pictureOrd(db, "SELECT ord FROM picture WHERE folder = ?1 AND name = ?2"),
          nextOrd(db, "SELECT min(ord) FROM picture WHERE ord > ?1"),
          cycleNext(db,
                    "SELECT p.folder, p.name, f.path FROM picture p JOIN folder f ON f.id = p.folder "
                    "WHERE p.pending = 1 AND p.hidden = 0 AND (p.claim IS NULL OR p.claim < ?2) "
                    "ORDER BY p.deal LIMIT ?1"),
          cycleTake(db, "UPDATE picture SET claim = ?3 WHERE folder = ?1 AND name = ?2"),
          cycleShown(db, "UPDATE picture SET pending = 0, claim = NULL WHERE folder = ?1 AND name = ?2"),
          sortedNext(db,
                     "SELECT p.ord, p.name, f.path FROM picture p JOIN folder f ON f.id = p.folder "
                     "WHERE p.ord > ?1 AND p.hidden = 0 ORDER BY p.ord LIMIT ?2"),
          metaGet(db, "SELECT value FROM meta WHERE key = ?1"),
          metaSet(db, "INSERT OR REPLACE INTO meta(key, value) VALUES(?1, ?2)") {}

    Stmt folderGet, folderAdd, folderSeen, folderKept, folderChild, folderTime, folderStored, folderChildren,
        folderNames;
    Stmt pictureDrop, pictureTouch, pictureAdd, pictureOrd, nextOrd;
    Stmt cycleNext, cycleTake, cycleShown, sortedNext, metaGet, metaSet;
};

std::string LibraryFileIn(const std::string& localAppData) {
    std::string folder = localAppData;
    if (!folder.empty() && folder.back() != '\\') folder += '\\';
    return folder + "Orvanta\\Library.db";
}

std::string FilterKey(const PictureFilter& filter) {
    std::string key = filter.showBmp ? "bmp" : "-";
    key += filter.showJpg ? ",jpg" : ",-";
    for (const std::string& extension : filter.otherExtensions)
        key += "," + extension;
    return key;
}

std::unique_ptr<LibraryIndex> LibraryIndex::Open(const std::string& file, OrderDraw draw, int64_t now,
                                                 IndexOpen* outcome) {
    IndexOpen ignored;
    IndexOpen& result = outcome ? *outcome : ignored;
    result = IndexOpen::Unavailable;
    bool setAside = false;
    for (int attempt = 0; attempt < 2; ++attempt) {
        sqlite3* db = OpenFile(file);
        if (!db) return nullptr;
        const Check check = Inspect(db);
        if (check == Check::Damaged || check == Check::Foreign) {
            // Not of use, and not ours to delete: renamed beside, and a new one made.
            sqlite3_close(db);
            if (attempt > 0 || !SetAside(file, now)) return nullptr;
            setAside = true;
            continue;
        }
        if (check == Check::Newer) {
            sqlite3_close(db);
            result = IndexOpen::Newer;
            return nullptr;
        }
        if (check == Check::Failed) {  // held open without sharing, unreadable: not touched
            sqlite3_close(db);
            return nullptr;
        }
        // WAL: readers and the one writer of two processes go on side by side. Normal sync: a
        // commit reaches the disk at the next checkpoint, enough for an index that a power cut
        // may cost a few seconds of.
        // A page cache of 16 MB: the cycle's index takes each picture a revalidation adds at a
        // random place, and with the default 2 MB most of its pages would be read back from the
        // file again; the sort that makes the index after a first walk uses it too.
        // A checkpoint every 16 MB of WAL rather than 4: fewer flushes to the disk while it builds;
        // and a WAL that a large transaction grew (the cycle's index made after a first walk) cut
        // back to those 16 MB once it starts over, rather than kept at its largest on the disk.
        bool ok =
            sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr) == SQLITE_OK &&
            sqlite3_exec(db, "PRAGMA synchronous=NORMAL", nullptr, nullptr, nullptr) == SQLITE_OK &&
            sqlite3_exec(db, "PRAGMA cache_size=-16384", nullptr, nullptr, nullptr) == SQLITE_OK &&
            sqlite3_exec(db, "PRAGMA wal_autocheckpoint=4000", nullptr, nullptr, nullptr) == SQLITE_OK &&
            sqlite3_exec(db, "PRAGMA journal_size_limit=16777216", nullptr, nullptr, nullptr) == SQLITE_OK;
        if (ok && check == Check::Empty) {
            Transaction made(db);
            ok = made.Open() && sqlite3_exec(db, kSchema, nullptr, nullptr, nullptr) == SQLITE_OK &&
                 sqlite3_exec(db,
                              ("PRAGMA application_id=" + std::to_string(kApplicationId) +
                               "; PRAGMA user_version=" + std::to_string(kSchemaVersion))
                                  .c_str(),
                              nullptr, nullptr, nullptr) == SQLITE_OK &&
                 made.Commit();
        }
        if (!ok) {
            sqlite3_close(db);
            return nullptr;
        }
        // The hidden pictures are read at every start: an index made before they had one of
        // their own gets it now, once (a full read of the table). Without it, only slower.
        if (check == Check::Ours && !HasIndex(db, "picture_hidden"))
            sqlite3_exec(db, "CREATE INDEX IF NOT EXISTS picture_hidden ON picture(hidden) WHERE hidden <> 0",
                         nullptr, nullptr, nullptr);
        std::unique_ptr<LibraryIndex> index(new LibraryIndex(db, std::move(draw)));
        index->m_file = file;
        index->m_openedAt = now;
        result = setAside ? IndexOpen::SetAside : IndexOpen::Ready;
        return index;
    }
    return nullptr;
}

LibraryIndex::LibraryIndex(sqlite3* db, OrderDraw draw)
    : m_db(db), m_draw(std::move(draw)), m_st(std::make_unique<Statements>(db)) {}

LibraryIndex::~LibraryIndex() {
    m_st.reset();  // statements first: a connection with statements open does not close
    sqlite3_close(m_db);
    // Damage met in use: the next start makes the file anew (a rename, never a wait).
    if (m_damaged) SetAside(m_file, m_openedAt);
}

bool LibraryIndex::Watch(bool ok) {
    if (!ok && IsDamage(sqlite3_extended_errcode(m_db))) m_damaged = true;
    return ok;
}

bool LibraryIndex::Exec(const char* sql) {
    return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool LibraryIndex::Covers(const std::vector<std::string>& roots, const std::string& filterKey) {
    Flush();
    Stmt& meta = m_st->metaGet;
    meta.Bind(1, std::string("filter"));
    const bool sameFilter = meta.Step() == SQLITE_ROW && meta.Text(0) == filterKey;
    meta.Reset();
    if (!sameFilter || roots.empty()) return false;
    Stmt all(m_db, "SELECT path, complete FROM root");
    std::unordered_set<std::string> complete;
    size_t stored = 0;
    while (all.Step() == SQLITE_ROW) {
        ++stored;
        if (all.Int(1) != 0) complete.insert(all.Text(0));
    }
    if (stored != roots.size()) return false;
    for (const std::string& root : roots)
        if (!complete.count(root)) return false;
    Stmt any(m_db, "SELECT EXISTS(SELECT 1 FROM picture)");
    return any.Step() == SQLITE_ROW && any.Int(0) != 0;
}

bool LibraryIndex::BeginWalk(const std::vector<std::string>& roots, const std::string& filterKey,
                             const std::string& excludedKey) {
    return Watch(BeginWalkSteps(roots, filterKey, excludedKey));
}

bool LibraryIndex::BeginWalkSteps(const std::vector<std::string>& roots, const std::string& filterKey,
                                  const std::string& excludedKey) {
    Flush();  // what the walk before got to
    m_fresh.clear();
    m_freshFolders.clear();
    m_batchFailed = false;
    m_lastOrd = 0;
    Transaction t(m_db, &m_damaged);
    if (!t.Open()) return false;
    // Stored listings stand only for the filter and exclusions they were made under (a folder
    // excluded then has no row, and would never be entered from its unchanged parent).
    const std::string trust = filterKey + '\n' + excludedKey;
    Stmt& trusted = m_st->metaGet;
    trusted.Bind(1, std::string("trust"));
    const bool sameTrust = trusted.Step() == SQLITE_ROW && trusted.Text(0) == trust;
    trusted.Reset();
    if (!sameTrust && (!Exec("UPDATE folder SET mtime = NULL") ||
                       !m_st->metaSet.Bind(1, std::string("trust")).Bind(2, trust).Run()))
        return false;
    Stmt meta(m_db, "SELECT value FROM meta WHERE key = 'walk'");
    const int64_t last = meta.Step() == SQLITE_ROW ? meta.Int(0) : 0;
    m_mark = last + 1;
    Stmt setMark(m_db, "INSERT OR REPLACE INTO meta(key, value) VALUES('walk', ?1)");
    Stmt setFilter(m_db, "INSERT OR REPLACE INTO meta(key, value) VALUES('filter', ?1)");
    if (!setMark.Bind(1, m_mark).Run() || !setFilter.Bind(1, filterKey).Run()) return false;
    // Roots no longer configured go at once with everything under them: the index never keeps
    // what the settings no longer show.
    if (!Exec("CREATE TEMP TABLE IF NOT EXISTS walk_root(path TEXT PRIMARY KEY)") ||
        !Exec("DELETE FROM walk_root"))
        return false;
    Stmt addRoot(m_db, "INSERT OR IGNORE INTO walk_root(path) VALUES(?1)");
    for (const std::string& root : roots)
        if (!addRoot.Bind(1, root).Run()) return false;
    if (!Exec("DELETE FROM picture WHERE folder IN (SELECT f.id FROM folder f WHERE NOT EXISTS "
              "(SELECT 1 FROM walk_root r WHERE f.path = r.path OR substr(f.path, 1, length(r.path) + 1) = "
              "r.path || '\\'))") ||
        !Exec("DELETE FROM folder WHERE NOT EXISTS (SELECT 1 FROM walk_root r WHERE folder.path = r.path OR "
              "substr(folder.path, 1, length(r.path) + 1) = r.path || '\\')") ||
        !Exec("DELETE FROM root WHERE path NOT IN (SELECT path FROM walk_root)") ||
        !Exec("INSERT OR IGNORE INTO root(path, complete) SELECT path, 0 FROM walk_root") ||
        !Exec("UPDATE root SET complete = 0"))
        return false;
    // Nothing left of the old folders: their sorted position means nothing in the new ones.
    // (EXISTS, not a count: counting reads the whole table, a second on a large library.)
    Stmt any(m_db, "SELECT EXISTS(SELECT 1 FROM picture)");
    if (any.Step() != SQLITE_ROW) return false;
    const bool empty = any.Int(0) == 0;
    any.Reset();
    if (empty &&
        (!Exec("DELETE FROM meta WHERE key = 'sorted'") || !Exec("DROP INDEX IF EXISTS picture_cycle")))
        return false;
    return t.Commit();
}

std::optional<int64_t> LibraryIndex::FolderId(const std::string& folder, bool create, int64_t writeTime) {
    Stmt& get = m_st->folderGet;
    get.Bind(1, folder);
    const int rc = get.Step();
    if (rc == SQLITE_ROW) {
        const int64_t id = get.Int(0);
        get.Reset();
        return id;
    }
    get.Reset();
    if (rc != SQLITE_DONE || !create) return std::nullopt;
    std::optional<int64_t> parent;
    const size_t cut = folder.rfind('\\');
    if (cut != std::string::npos) parent = FolderId(folder.substr(0, cut), false, 0);
    Stmt& add = m_st->folderAdd;
    add.Bind(1, folder).Bind(4, m_mark);
    if (parent) add.Bind(2, *parent);
    if (writeTime != 0) add.Bind(3, writeTime);
    if (!add.Run()) return std::nullopt;
    return sqlite3_last_insert_rowid(m_db);
}

bool LibraryIndex::Queue(Queued&& record, size_t entries) {
    if (m_batchFailed) return false;
    const auto now = std::chrono::steady_clock::now();
    if (m_queue.empty()) m_queuedSince = now;
    m_queue.push_back(std::move(record));
    m_queuedEntries += entries;
    if (m_queuedEntries >= kBatchEntries || now - m_queuedSince >= std::chrono::milliseconds(kBatchMs))
        return Flush();
    return true;
}

bool LibraryIndex::Flush() {
    if (m_queue.empty()) return !m_batchFailed;
    bool ok = false;
    {
        Transaction t(m_db, &m_damaged);
        ok = t.Open();
        for (size_t i = 0; ok && i < m_queue.size(); ++i) {
            const Queued& record = m_queue[i];
            switch (record.kind) {
            case Queued::Listed:
                ok = ApplyListed(record);
                break;
            case Queued::Delivered:
                ok = ApplyDelivered(record.paths);
                break;
            case Queued::Kept:
                ok = m_st->folderKept.Bind(1, record.folder).Bind(2, m_mark).Run();
                break;
            case Queued::Unlisted: {
                const size_t cut = record.folder.rfind('\\');
                ok = cut == std::string::npos ||
                     m_st->folderTime.Bind(1, record.folder.substr(0, cut)).BindNull(2).Run();
                break;
            }
            }
        }
        ok = ok && t.Commit();
    }
    m_queue.clear();
    m_queuedEntries = 0;
    if (!ok) m_batchFailed = true;
    return Watch(ok);
}

bool LibraryIndex::FolderListed(const std::string& folder, std::vector<DirEntry> entries,
                                const PictureFilter& filter, int64_t writeTime) {
    const bool sameFilter = filter.showBmp == m_walkFilter.showBmp &&
                            filter.showJpg == m_walkFilter.showJpg &&
                            filter.otherExtensions == m_walkFilter.otherExtensions;
    if (!sameFilter) {
        if (!m_queue.empty() && !Flush()) return false;
        m_walkFilter = filter;
    }
    const size_t count = entries.size() + 1;
    return Queue(Queued{Queued::Listed, folder, writeTime, std::move(entries), {}}, count);
}

bool LibraryIndex::Delivered(const std::vector<std::string>& paths) {
    if (paths.empty()) return !m_batchFailed;
    return Queue(Queued{Queued::Delivered, {}, 0, {}, paths}, paths.size());
}

bool LibraryIndex::UnchangedListing(const std::string& folder, int64_t writeTime,
                                    std::vector<DirEntry>& out) {
    out.clear();
    if (m_batchFailed || writeTime == 0) return false;
    // One read transaction for the three reads: each would otherwise take and free the WAL's read
    // lock, a file lock the system arbitrates.
    if (!Exec("BEGIN")) return false;
    const bool unchanged = StoredListing(folder, writeTime, out);
    Exec("COMMIT");
    if (unchanged && Queue(Queued{Queued::Kept, folder, 0, {}, {}}, out.size() + 1)) return true;
    out.clear();
    return false;
}

bool LibraryIndex::StoredListing(const std::string& folder, int64_t writeTime, std::vector<DirEntry>& out) {
    Stmt& stored = m_st->folderStored;
    stored.Bind(1, folder);
    const bool same = stored.Step() == SQLITE_ROW && !stored.Null(1) && stored.Int(1) == writeTime;
    const int64_t id = same ? stored.Int(0) : 0;
    stored.Reset();
    if (!same) return false;
    Stmt& names = m_st->folderNames;
    names.Bind(1, id);
    int rc;
    DirEntry entry;
    while ((rc = names.Step()) == SQLITE_ROW) {
        entry.name = names.Text(0);
        entry.size = static_cast<uint64_t>(names.Int(1));
        entry.writeTime = names.Int(2);
        out.push_back(entry);
    }
    names.Reset();
    Stmt& children = m_st->folderChildren;
    children.Bind(1, id);
    entry = DirEntry{};
    entry.isDirectory = true;
    int childRc;
    while ((childRc = children.Step()) == SQLITE_ROW) {
        const std::string path = children.Text(1);
        if (path.size() <= folder.size() + 1) continue;
        entry.name = path.substr(folder.size() + 1);
        out.push_back(entry);
    }
    children.Reset();
    return rc == SQLITE_DONE && childRc == SQLITE_DONE;
}

bool LibraryIndex::FolderUnlisted(const std::string& folder) {
    return Queue(Queued{Queued::Unlisted, folder, 0, {}, {}}, 1);
}

bool LibraryIndex::ApplyListed(const Queued& record) {
    const std::string& folder = record.folder;
    const std::vector<DirEntry>& entries = record.entries;
    const PictureFilter& filter = m_walkFilter;
    const std::optional<int64_t> id = FolderId(folder, true, 0);
    if (!id) return false;

    std::unordered_map<std::string, const DirEntry*> pictures;
    std::unordered_set<std::string> subfolders;
    for (const DirEntry& entry : entries) {
        if (entry.name.empty()) continue;
        if (entry.isDirectory && entry.name[0] == '.') continue;  // never walked
        if (entry.isDirectory)
            subfolders.insert(folder + '\\' + entry.name);
        else if (IsListedPicture(entry.name, filter.showBmp, filter.showJpg, filter.otherExtensions))
            pictures[entry.name] = &entry;
    }
    // The pictures the index has here: gone ones dropped, changed ones brought up to date, the
    // rest left with their places.
    Stmt& names = m_st->folderNames;
    names.Bind(1, *id);
    std::vector<std::string> gone;
    std::vector<std::pair<std::string, const DirEntry*>> changed;
    int rc;
    while ((rc = names.Step()) == SQLITE_ROW) {
        const std::string name = names.Text(0);
        auto found = pictures.find(name);
        if (found == pictures.end()) {
            gone.push_back(name);
            continue;
        }
        if (static_cast<uint64_t>(names.Int(1)) != found->second->size ||
            names.Int(2) != found->second->writeTime)
            changed.emplace_back(name, found->second);
        pictures.erase(found);
    }
    names.Reset();
    if (rc != SQLITE_DONE) return false;
    for (const std::string& name : gone)
        if (!m_st->pictureDrop.Bind(1, *id).Bind(2, name).Run()) return false;
    for (const auto& change : changed)
        if (!m_st->pictureTouch.Bind(1, *id)
                 .Bind(2, change.first)
                 .Bind(3, static_cast<int64_t>(change.second->size))
                 .Bind(4, change.second->writeTime)
                 .Run())
            return false;
    for (const auto& fresh : pictures)
        m_fresh[folder + '\\' + fresh.first] = *fresh.second;
    // The write time stands for what the index holds of the folder: stored now when it holds it
    // all, else once the walk has delivered the new pictures (ApplyDelivered).
    Stmt& seen = m_st->folderSeen;
    seen.Bind(1, *id).Bind(2, m_mark);
    if (record.writeTime != 0 && pictures.empty()) seen.Bind(3, record.writeTime);
    if (!seen.Run()) return false;
    if (record.writeTime != 0 && !pictures.empty())
        m_freshFolders[folder] = FreshFolder{record.writeTime, pictures.size()};

    // Subfolders no longer listed go with everything under them.
    Stmt& children = m_st->folderChildren;
    children.Bind(1, *id);
    std::vector<std::string> goneFolders;
    while ((rc = children.Step()) == SQLITE_ROW) {
        const std::string path = children.Text(1);
        auto found = subfolders.find(path);
        if (found == subfolders.end())
            goneFolders.push_back(path);
        else
            subfolders.erase(found);
    }
    children.Reset();
    if (rc != SQLITE_DONE) return false;
    // New subfolders get their row now, not yet seen by this walk: should the walk stop before it
    // enters one, this folder's stored listing still leads the next walk into it. One the walk
    // never enters (excluded, on the path already) goes at EndWalk, as its parent's listing keeps
    // doing while the exclusions stay.
    for (const std::string& sub : subfolders)
        if (!m_st->folderChild.Bind(1, sub).Bind(2, *id).Run()) return false;
    if (goneFolders.empty()) return true;
    Stmt dropPictures(m_db,
                      "DELETE FROM picture WHERE folder IN (SELECT id FROM folder WHERE path = ?1 OR "
                      "substr(path, 1, length(?1) + 1) = ?1 || '\\')");
    Stmt dropFolders(m_db,
                     "DELETE FROM folder WHERE path = ?1 OR substr(path, 1, length(?1) + 1) = ?1 || '\\'");
    for (const std::string& path : goneFolders)
        if (!dropPictures.Bind(1, path).Run() || !dropFolders.Bind(1, path).Run()) return false;
    return true;
}

bool LibraryIndex::ApplyDelivered(const std::vector<std::string>& paths) {
    std::string folder, name;
    std::optional<int64_t> folderId;
    std::string folderPath;
    bool lastKnown = true;  // m_lastOrd is the ord of the entry before this one
    std::string previous;
    for (const std::string& path : paths) {
        if (!SplitPath(path, folder, name)) continue;
        auto fresh = m_fresh.find(path);
        if (fresh == m_fresh.end()) {
            // Known already: its position stands; read only when a new one follows it.
            previous = path;
            lastKnown = false;
            continue;
        }
        if (!lastKnown && !previous.empty()) {
            std::string pf, pn;
            SplitPath(previous, pf, pn);
            if (const std::optional<int64_t> pid = FolderId(pf, false, 0)) {
                Stmt& ord = m_st->pictureOrd;
                ord.Bind(1, *pid).Bind(2, pn);
                if (ord.Step() == SQLITE_ROW) m_lastOrd = ord.Int(0);
                ord.Reset();
            }
        }
        // Between the entry before and the next one the index knows: a small step past the one
        // before, so that a run of new pictures fits in the gap; at the end, a full spacing.
        Stmt& next = m_st->nextOrd;
        next.Bind(1, m_lastOrd);
        int64_t ord = m_lastOrd + kOrdSpacing;
        if (next.Step() == SQLITE_ROW && !next.Null(0)) {
            const int64_t gap = next.Int(0) - m_lastOrd;
            ord = gap > 1 ? m_lastOrd + std::max<int64_t>(1, gap >> 10) : m_lastOrd;
        }
        next.Reset();
        if (folder != folderPath || !folderId) {
            folderPath = folder;
            folderId = FolderId(folder, true, 0);
            if (!folderId) return false;
        }
        const int64_t place = static_cast<int64_t>(DrawBelow(m_draw, kDealRange));
        if (!m_st->pictureAdd.Bind(1, *folderId)
                 .Bind(2, name)
                 .Bind(3, ord)
                 .Bind(4, place)
                 .Bind(5, static_cast<int64_t>(fresh->second.size))
                 .Bind(6, fresh->second.writeTime)
                 .Run())
            return false;
        m_fresh.erase(fresh);
        auto pending = m_freshFolders.find(folder);
        if (pending != m_freshFolders.end() && --pending->second.left == 0) {
            if (!m_st->folderTime.Bind(1, folder).Bind(2, pending->second.writeTime).Run()) return false;
            m_freshFolders.erase(pending);
        }
        m_lastOrd = ord;
        lastKnown = true;
        previous = path;
    }
    if (!lastKnown && !previous.empty()) {
        std::string pf, pn;
        SplitPath(previous, pf, pn);
        if (const std::optional<int64_t> pid = FolderId(pf, false, 0)) {
            Stmt& ord = m_st->pictureOrd;
            ord.Bind(1, *pid).Bind(2, pn);
            if (ord.Step() == SQLITE_ROW) m_lastOrd = ord.Int(0);
            ord.Reset();
        }
    }
    return true;
}

bool LibraryIndex::EndWalk() {
    if (!Watch(EndWalkSteps())) return false;
    // What the walk wrote (after a first walk, the whole cycle's index in one transaction) goes
    // into the file now, behind the show, and the WAL is emptied: else a start after this process
    // is killed rebuilds the WAL's index from every frame and then copies them all again at its
    // first write, seconds on a large library before its first picture. The passive pass takes
    // no lock another process waits on; the truncating one then has little left to do, and gives
    // up after the busy time-out should a reader hold on (nothing is lost: the WAL stays).
    sqlite3_wal_checkpoint_v2(m_db, nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
    sqlite3_wal_checkpoint_v2(m_db, nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
    // Only now do the roots count as covered: a process stopped before this line leaves the
    // next start to walk again, which finds the index whole.
    return Watch(Exec("UPDATE root SET complete = 1"));
}

bool LibraryIndex::EndWalkSteps() {
    if (!Flush()) return false;
    Transaction t(m_db, &m_damaged);
    if (!t.Open()) return false;
    Stmt dropPictures(m_db, "DELETE FROM picture WHERE folder IN (SELECT id FROM folder WHERE seen <> ?1)");
    Stmt dropFolders(m_db, "DELETE FROM folder WHERE seen <> ?1");
    if (!dropPictures.Bind(1, m_mark).Run() || !dropFolders.Bind(1, m_mark).Run() || !Exec(kCycleIndex))
        return false;
    m_fresh.clear();
    m_freshFolders.clear();
    return t.Commit();
}

bool LibraryIndex::NewCycle(const std::vector<std::string>& recent, size_t count) {
    // Fisher-Yates over the whole library: every order equally likely. The places are the
    // shuffled ranks spread over the range, so a picture found later draws its place among them
    // uniformly.
    std::vector<std::pair<int64_t, std::string>> keys;
    {
        Stmt all(m_db, "SELECT folder, name FROM picture");
        int rc;
        while ((rc = all.Step()) == SQLITE_ROW)
            keys.emplace_back(all.Int(0), all.Text(1));
        if (rc != SQLITE_DONE) return false;
    }
    FairShuffle(keys, m_draw);
    // The pictures on show or just dealt do not open the new cycle, where the library is large
    // enough: a picture would otherwise follow itself across the cycles' seam.
    std::unordered_set<std::string> avoid;
    for (const std::string& path : recent) {
        std::string folder, name;
        if (!SplitPath(path, folder, name)) continue;
        if (const std::optional<int64_t> id = FolderId(folder, false, 0))
            avoid.insert(std::to_string(*id) + '/' + name);
    }
    const size_t front = std::min(keys.size(), count + avoid.size());
    if (!avoid.empty() && front < keys.size()) {
        for (size_t i = 0; i < front; ++i)
            if (avoid.count(std::to_string(keys[i].first) + '/' + keys[i].second))
                std::swap(keys[i], keys[front + static_cast<size_t>(DrawBelow(m_draw, keys.size() - front))]);
    }
    const uint64_t spacing = keys.empty() ? 1 : kDealRange / keys.size();
    Stmt place(m_db,
               "UPDATE picture SET deal = ?3, pending = 1, claim = NULL WHERE folder = ?1 AND name = ?2");
    for (size_t i = 0; i < keys.size(); ++i)
        if (!place.Bind(1, keys[i].first)
                 .Bind(2, keys[i].second)
                 .Bind(3, static_cast<int64_t>(i * spacing))
                 .Run())
            return false;
    return true;
}

std::optional<std::vector<std::string>> LibraryIndex::Deal(bool random, size_t count, int64_t now,
                                                           const std::vector<std::string>& shown) {
    Flush();
    std::optional<std::vector<std::string>> dealt = DealSteps(random, count, now, shown);
    Watch(dealt.has_value());
    return dealt;
}

std::optional<std::vector<std::string>> LibraryIndex::DealSteps(bool random, size_t count, int64_t now,
                                                                const std::vector<std::string>& shown) {
    std::vector<std::string> paths;
    // One transaction for both: one commit a deal.
    Transaction t(m_db, &m_damaged);
    std::optional<int64_t> lastShown;
    if (!t.Open() || !RecordShown(shown, lastShown)) return std::nullopt;
    if (m_cursorFollowsShown && lastShown) m_sortedCursor = lastShown;
    if (count == 0) return t.Commit() ? std::optional<std::vector<std::string>>(paths) : std::nullopt;
    if (random) {
        std::unordered_set<std::string> dealt;
        // Takes pending pictures claimed before `cutoff` (or never), lowest places first.
        const auto take = [&](int64_t cutoff) {
            Stmt& next = m_st->cycleNext;
            next.Bind(1, static_cast<int64_t>(count - paths.size() + dealt.size())).Bind(2, cutoff);
            std::vector<std::pair<int64_t, std::string>> taken;
            int rc;
            while ((rc = next.Step()) == SQLITE_ROW && paths.size() < count) {
                std::string path = next.Text(2) + '\\' + next.Text(1);
                if (dealt.insert(path).second) {
                    taken.emplace_back(next.Int(0), next.Text(1));
                    paths.push_back(std::move(path));
                }
            }
            next.Reset();
            if (rc != SQLITE_DONE && rc != SQLITE_ROW) return false;
            // Claimed, not yet shown: no other process deals them meanwhile; should this one
            // never show them (a crash, a close before the tick), the claim runs out and they
            // come again at their place.
            for (const auto& key : taken)
                if (!m_st->cycleTake.Bind(1, key.first).Bind(2, key.second).Bind(3, now).Run()) return false;
            return true;
        };
        if (!take(now - kClaimSeconds)) return std::nullopt;
        // The cycle ran out: a new one, from which the rest of this deal comes.
        std::vector<std::string> recent = shown;
        recent.insert(recent.end(), paths.begin(), paths.end());
        if (paths.size() < count && Pending() == 0 &&
            (!NewCycle(recent, count - paths.size()) || !take(now - kClaimSeconds)))
            return std::nullopt;
        // Every pending picture is on show elsewhere: a library this small shows one twice.
        if (paths.size() < count && !take(INT64_MAX)) return std::nullopt;
    } else {
        int64_t position = SortedCursor();
        for (int round = 0; round < 2 && paths.size() < count; ++round) {
            Stmt& next = m_st->sortedNext;
            next.Bind(1, round == 0 ? position : INT64_MIN)
                .Bind(2, static_cast<int64_t>(count - paths.size()));
            int rc;
            while ((rc = next.Step()) == SQLITE_ROW) {
                position = next.Int(0);
                paths.push_back(next.Text(2) + '\\' + next.Text(1));
            }
            next.Reset();
            if (rc != SQLITE_DONE) return std::nullopt;
        }
        m_sortedCursor = position;
        m_cursorFollowsShown = false;
    }
    if (!t.Commit()) return std::nullopt;
    return paths;
}

int64_t LibraryIndex::SortedCursor() {
    if (!m_sortedCursor) {
        Stmt& meta = m_st->metaGet;
        meta.Bind(1, std::string("sorted"));
        m_sortedCursor = meta.Step() == SQLITE_ROW ? meta.Int(0) : INT64_MIN;
        meta.Reset();
    }
    return *m_sortedCursor;
}

std::optional<std::vector<UpcomingPicture>> LibraryIndex::Upcoming(bool random, size_t count, int64_t now) {
    std::vector<UpcomingPicture> pictures;
    if (count == 0) return pictures;
    Stmt next(m_db, random ? "SELECT p.width, p.height, p.name, f.path FROM picture p "
                             "JOIN folder f ON f.id = p.folder WHERE p.pending = 1 AND p.hidden = 0 "
                             "AND (p.claim IS NULL OR p.claim < ?2) ORDER BY p.deal LIMIT ?1"
                           : "SELECT p.width, p.height, p.name, f.path FROM picture p "
                             "JOIN folder f ON f.id = p.folder WHERE p.ord > ?2 AND p.hidden = 0 "
                             "ORDER BY p.ord LIMIT ?1");
    next.Bind(1, static_cast<int64_t>(count)).Bind(2, random ? now - kClaimSeconds : SortedCursor());
    int rc;
    while ((rc = next.Step()) == SQLITE_ROW) {
        UpcomingPicture picture;
        if (!next.Null(0)) picture.width = static_cast<int>(next.Int(0));
        if (!next.Null(1)) picture.height = static_cast<int>(next.Int(1));
        picture.path = next.Text(3) + '\\' + next.Text(2);
        pictures.push_back(std::move(picture));
    }
    if (rc != SQLITE_DONE) return std::nullopt;
    return pictures;
}

bool LibraryIndex::Take(bool random, const std::string& path, int64_t now) {
    std::string folder, name;
    if (!SplitPath(path, folder, name)) return false;
    const std::optional<int64_t> id = FolderId(folder, false, 0);
    if (!id) return false;
    if (random)
        return m_st->cycleTake.Bind(1, *id).Bind(2, name).Bind(3, now).Run() && sqlite3_changes(m_db) == 1;
    Stmt& ord = m_st->pictureOrd;
    ord.Bind(1, *id).Bind(2, name);
    const bool found = ord.Step() == SQLITE_ROW;
    if (found) {
        m_sortedCursor = ord.Int(0);
        m_cursorFollowsShown = false;
    }
    ord.Reset();
    return found;
}

bool LibraryIndex::RecordShown(const std::vector<std::string>& paths, std::optional<int64_t>& last) {
    std::string folder, name;
    for (const std::string& path : paths) {
        if (!SplitPath(path, folder, name)) continue;
        const std::optional<int64_t> id = FolderId(folder, false, 0);
        if (!id) continue;  // gone meanwhile
        if (!m_st->cycleShown.Bind(1, *id).Bind(2, name).Run()) return false;
        Stmt& ord = m_st->pictureOrd;
        ord.Bind(1, *id).Bind(2, name);
        if (ord.Step() == SQLITE_ROW) last = ord.Int(0);
        ord.Reset();
    }
    // The sorted order goes on, at the next start, after the last picture shown.
    return !last || m_st->metaSet.Bind(1, std::string("sorted")).Bind(2, *last).Run();
}

bool LibraryIndex::Forget(const std::string& path) {
    Flush();
    std::string folder, name;
    if (!SplitPath(path, folder, name)) return false;
    const std::optional<int64_t> id = FolderId(folder, false, 0);
    return id && m_st->pictureDrop.Bind(1, *id).Bind(2, name).Run();
}

bool LibraryIndex::SetHidden(const std::string& path, bool hidden) {
    Flush();
    std::string folder, name;
    if (!SplitPath(path, folder, name)) return false;
    const std::optional<int64_t> id = FolderId(folder, false, 0);
    if (!id) return false;
    Stmt set(m_db, "UPDATE picture SET hidden = ?3 WHERE folder = ?1 AND name = ?2");
    return set.Bind(1, *id).Bind(2, name).Bind(3, hidden ? 1 : 0).Run() && sqlite3_changes(m_db) == 1;
}

bool LibraryIndex::ClearHidden() {
    Stmt clear(m_db, "UPDATE picture SET hidden = 0 WHERE hidden <> 0");
    return clear.Run();
}

std::vector<std::string> LibraryIndex::HiddenPaths() {
    std::vector<std::string> paths;
    Stmt get(m_db,
             "SELECT f.path, p.name FROM picture p JOIN folder f ON f.id = p.folder WHERE p.hidden <> 0");
    int rc;
    while ((rc = get.Step()) == SQLITE_ROW)
        paths.push_back(get.Text(0) + '\\' + get.Text(1));
    if (rc != SQLITE_DONE) paths.clear();
    return paths;
}

int64_t LibraryIndex::HiddenCount() {
    Stmt count(m_db, "SELECT count(*) FROM picture WHERE hidden <> 0");
    return count.Step() == SQLITE_ROW ? count.Int(0) : 0;
}

bool LibraryIndex::StoreFacts(const std::string& path, const PictureFacts& facts) {
    Flush();
    std::string folder, name;
    if (!SplitPath(path, folder, name)) return false;
    const std::optional<int64_t> id = FolderId(folder, false, 0);
    if (!id) return false;
    Stmt set(m_db,
             "UPDATE picture SET width = ?3, height = ?4, taken = ?5, lat = ?6, lon = ?7 "
             "WHERE folder = ?1 AND name = ?2");
    set.Bind(1, *id).Bind(2, name);
    if (facts.width) set.Bind(3, *facts.width);
    if (facts.height) set.Bind(4, *facts.height);
    if (facts.taken) set.Bind(5, *facts.taken);
    if (facts.latitude) set.BindReal(6, *facts.latitude);
    if (facts.longitude) set.BindReal(7, *facts.longitude);
    return set.Run() && sqlite3_changes(m_db) == 1;
}

bool LibraryIndex::StoreSize(const std::string& path, int width, int height) {
    std::string folder, name;
    if (!SplitPath(path, folder, name)) return false;
    const std::optional<int64_t> id = FolderId(folder, false, 0);
    if (!id) return false;
    // A size known already writes nothing: most decodes are of pictures shown before.
    Stmt set(m_db,
             "UPDATE picture SET width = ?3, height = ?4 WHERE folder = ?1 AND name = ?2 "
             "AND (width IS NOT ?3 OR height IS NOT ?4)");
    return set.Bind(1, *id).Bind(2, name).Bind(3, width).Bind(4, height).Run();
}

std::optional<PictureFacts> LibraryIndex::Facts(const std::string& path) {
    Flush();
    std::string folder, name;
    if (!SplitPath(path, folder, name)) return std::nullopt;
    const std::optional<int64_t> id = FolderId(folder, false, 0);
    if (!id) return std::nullopt;
    Stmt get(m_db, "SELECT width, height, taken, lat, lon FROM picture WHERE folder = ?1 AND name = ?2");
    get.Bind(1, *id).Bind(2, name);
    if (get.Step() != SQLITE_ROW) return std::nullopt;
    PictureFacts facts;
    if (!get.Null(0)) facts.width = static_cast<int>(get.Int(0));
    if (!get.Null(1)) facts.height = static_cast<int>(get.Int(1));
    if (!get.Null(2)) facts.taken = get.Int(2);
    if (!get.Null(3)) facts.latitude = sqlite3_column_double(get.get(), 3);
    if (!get.Null(4)) facts.longitude = sqlite3_column_double(get.get(), 4);
    return facts;
}

int64_t LibraryIndex::Count() {
    Flush();
    Stmt count(m_db, "SELECT count(*) FROM picture");
    return count.Step() == SQLITE_ROW ? count.Int(0) : 0;
}

int64_t LibraryIndex::Pending() {
    Stmt count(m_db, "SELECT count(*) FROM picture WHERE pending = 1 AND hidden = 0");
    return count.Step() == SQLITE_ROW ? count.Int(0) : 0;
}

}  // namespace orv
