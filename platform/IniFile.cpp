#include "platform/IniFile.h"

#include <sys/stat.h>

#include <QCoreApplication>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>
#include <utility>

#include "platform/Dialogs.h"
#include "platform/TextCodec.h"
#include "platform/TextFiles.h"
#include "platform/VclText.h"

namespace platform {

namespace {

bool SameName(std::string_view a, std::string_view b) { return SameText(TrimView(a), TrimView(b)); }

struct FileStamp {
    long long size = -1;
    long long mtimeNs = -1;
    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

FileStamp StampOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return {};
    return {static_cast<long long>(st.st_size),
            static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec};
}

}  // namespace

// One parsed file: each line is kept, with its section and key recognised.
struct IniFile::Model {
    struct Line {
        enum Kind { Other, Section, Entry } kind = Other;
        std::string name;   // section name, or key as written
        std::string value;  // raw value text after '='
        std::string raw;    // the line as read, for Other
    };
    std::mutex mutex;
    std::vector<Line> lines;
    // The file began with a byte order mark: it is written back, so that
    // what follows it (a second mark, say) reads the same after a write.
    bool byteOrderMark = false;
    FileStamp stamp;
    // The file was there but could not be read: writing the model would
    // replace whatever it holds, so it is never written in this run.
    bool unreadable = false;
    // What to tell the user about it, until it could be shown: a message box
    // needs the application and its GUI thread, and the settings are read
    // before the application is made.
    std::string untold;

    void Parse(std::string_view text) {
        lines.clear();
        byteOrderMark = text.substr(0, 3) == "\xEF\xBB\xBF";
        if (byteOrderMark) text.remove_prefix(3);
        for (std::string& raw : SplitLines(text)) {
            // A file of the Windows program holds Windows-1254 text; each
            // line is taken as UTF-8 when it is valid UTF-8.
            raw = DecodeText(raw);
            Line line;
            std::string_view t = TrimView(raw);
            if (!t.empty() && t.front() == '[' && t.find(']') != std::string_view::npos) {
                line.kind = Line::Section;
                line.name = std::string(t.substr(1, t.find(']') - 1));
            } else if (auto eq = raw.find('=');
                       eq != std::string::npos && !t.empty() && t.front() != ';') {
                line.kind = Line::Entry;
                line.name = raw.substr(0, eq);
                line.value = raw.substr(eq + 1);
            } else {
                line.raw = std::move(raw);
            }
            lines.push_back(std::move(line));
        }
    }

    std::string Serialise() const {
        std::string out = byteOrderMark ? "\xEF\xBB\xBF" : "";
        for (const Line& line : lines) {
            switch (line.kind) {
                case Line::Section:
                    out += "[" + line.name + "]";
                    break;
                case Line::Entry:
                    out += line.name + "=" + line.value;
                    break;
                case Line::Other:
                    out += line.raw;
                    break;
            }
            out += "\r\n";
        }
        return out;
    }

    // Index of the section line, or lines.size().
    size_t FindSection(std::string_view section) const {
        for (size_t i = 0; i < lines.size(); ++i)
            if (lines[i].kind == Line::Section && SameName(lines[i].name, section)) return i;
        return lines.size();
    }

    // End of the section that starts at `start` (the next section line).
    size_t SectionEnd(size_t start) const {
        size_t i = start + 1;
        while (i < lines.size() && lines[i].kind != Line::Section) ++i;
        return i;
    }

    const Line* FindEntry(std::string_view section, std::string_view key) const {
        size_t s = FindSection(section);
        if (s == lines.size()) return nullptr;
        for (size_t i = s + 1, end = SectionEnd(s); i < end; ++i)
            if (lines[i].kind == Line::Entry && SameName(lines[i].name, key)) return &lines[i];
        return nullptr;
    }

    void Set(std::string_view section, std::string_view key, std::string_view value) {
        size_t s = FindSection(section);
        if (s == lines.size()) {
            // A new section follows a blank line, as the Windows writer does.
            if (!lines.empty() &&
                !(lines.back().kind == Line::Other && TrimView(lines.back().raw).empty()))
                lines.push_back(Line{});
            lines.push_back(Line{Line::Section, std::string(TrimView(section)), {}, {}});
            lines.push_back(Line{Line::Entry, std::string(key), std::string(value), {}});
            return;
        }
        size_t end = SectionEnd(s);
        size_t lastEntry = s;
        for (size_t i = s + 1; i < end; ++i) {
            if (lines[i].kind != Line::Entry) continue;
            lastEntry = i;
            if (SameName(lines[i].name, key)) {
                lines[i].name = std::string(key);
                lines[i].value = std::string(value);
                return;
            }
        }
        lines.insert(lines.begin() + static_cast<long>(lastEntry + 1),
                     Line{Line::Entry, std::string(key), std::string(value), {}});
    }
};

namespace {

std::mutex g_modelsMutex;
std::atomic<bool> g_writesRefused{false};
// Settings objects are short-lived, so the models stay for the whole process.
std::map<std::string, std::shared_ptr<IniFile::Model>>& Models() {
    static std::map<std::string, std::shared_ptr<IniFile::Model>> models;
    return models;
}

std::string Unquote(std::string_view value) {
    value = TrimView(value);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return std::string(value);
}

}  // namespace

IniFile::IniFile(std::string path) : path_(std::move(path)) {
    const QCoreApplication* application = QCoreApplication::instance();
    const bool canTell = application && QThread::currentThread() == application->thread();
    std::string message;
    {
        std::lock_guard lock(g_modelsMutex);
        auto& slot = Models()[path_];
        if (!slot) slot = std::make_shared<Model>();
        model_ = slot;
        // Another program (or a file copy) may have replaced the file.
        std::lock_guard modelLock(model_->mutex);
        const FileStamp stamp = StampOf(path_);
        if (!model_->unreadable && !(stamp == model_->stamp)) {
            model_->stamp = stamp;
            std::string text;
            const FileReadResult read = ReadRegularFile(path_, text, kSettingsMaxFileBytes);
            if (read.ok() || read.status == FileReadStatus::Missing) {
                model_->lines.clear();
                model_->byteOrderMark = false;
                model_->Parse(text);
            } else {
                // What was read before stays readable; the file is left as it is.
                model_->unreadable = true;
                model_->untold = "The settings file " + FileReadProblem(path_, read) +
                                 " cannot be read. The program goes on with its default "
                                 "settings and writes nothing to that file until it is "
                                 "started again.";
            }
        }
        if (canTell) message = std::exchange(model_->untold, {});
    }
    // Outside the locks: the box runs the event loop, whose handlers read
    // settings too.
    if (!message.empty()) ShowMessage(message);
}

IniFile::Batch::Batch(IniFile& ini) : ini_(ini) { ++ini_.batchDepth_; }

IniFile::Batch::~Batch() { Commit(); }

bool IniFile::Batch::Commit() {
    if (!open_) return true;
    open_ = false;
    if (--ini_.batchDepth_ > 0) return !ini_.batchRefused_;
    std::lock_guard lock(ini_.model_->mutex);
    const bool refused = ini_.batchRefused_;
    const bool pending = ini_.batchPending_;
    ini_.batchRefused_ = ini_.batchPending_ = false;
    // A batch with a refused write is no whole save: it writes nothing.
    if (refused) return false;
    return !pending || ini_.Flush();
}

bool IniFile::Refused() {
    if (!g_writesRefused) return false;
    if (batchDepth_ > 0) batchRefused_ = true;
    return true;
}

bool IniFile::Store() {
    if (model_->unreadable) {
        if (batchDepth_ > 0) batchRefused_ = true;
        return false;
    }
    if (batchDepth_ > 0) {
        batchPending_ = true;
        return true;
    }
    return Flush();
}

bool IniFile::Flush() {
    if (g_writesRefused || model_->unreadable) return false;
    const bool ok = ReplaceFile(path_, model_->Serialise(), kPrivateFileModes);
    model_->stamp = StampOf(path_);
    return ok;
}

bool IniFile::Unreadable() const {
    std::lock_guard lock(model_->mutex);
    return model_->unreadable;
}

void IniFile::SetWritesRefused(bool refused) { g_writesRefused = refused; }

bool IniFile::WritesRefused() { return g_writesRefused; }

void IniFile::DropCachedModels() {
    std::lock_guard lock(g_modelsMutex);
    Models().clear();
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view fallback) const {
    std::lock_guard lock(model_->mutex);
    const Model::Line* entry = model_->FindEntry(section, key);
    return entry ? Unquote(entry->value) : std::string(fallback);
}

int IniFile::ReadInteger(std::string_view section, std::string_view key, int fallback) const {
    return StrToIntDef(ReadString(section, key, ""), fallback);
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool fallback) const {
    return ReadInteger(section, key, fallback ? 1 : 0) != 0;
}

double IniFile::ReadFloat(std::string_view section, std::string_view key, double fallback) const {
    return StrToFloatDef(ReadString(section, key, ""), fallback);
}

bool IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    if (Refused()) return false;
    // A line break in a value would start a new line of the file, and the
    // next reading would take what follows it as keys or sections of its own.
    std::string oneLine(value);
    std::replace_if(
        oneLine.begin(), oneLine.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    std::lock_guard lock(model_->mutex);
    model_->Set(section, key, oneLine);
    return Store();
}

bool IniFile::WriteInteger(std::string_view section, std::string_view key, int value) {
    return WriteString(section, key, std::to_string(value));
}

bool IniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
    return WriteString(section, key, value ? "1" : "0");
}

bool IniFile::WriteFloat(std::string_view section, std::string_view key, double value) {
    return WriteString(section, key, FloatToStr(value));
}

bool IniFile::SectionExists(std::string_view section) const {
    std::lock_guard lock(model_->mutex);
    return model_->FindSection(section) != model_->lines.size();
}

bool IniFile::ValueExists(std::string_view section, std::string_view key) const {
    std::lock_guard lock(model_->mutex);
    return model_->FindEntry(section, key) != nullptr;
}

std::vector<std::string> IniFile::ReadSection(std::string_view section) const {
    std::lock_guard lock(model_->mutex);
    std::vector<std::string> keys;
    size_t s = model_->FindSection(section);
    if (s == model_->lines.size()) return keys;
    for (size_t i = s + 1, end = model_->SectionEnd(s); i < end; ++i)
        if (model_->lines[i].kind == Model::Line::Entry)
            keys.push_back(Trim(model_->lines[i].name));
    return keys;
}

std::vector<std::string> IniFile::ReadSections() const {
    std::lock_guard lock(model_->mutex);
    std::vector<std::string> names;
    for (const auto& line : model_->lines)
        if (line.kind == Model::Line::Section) names.push_back(Trim(line.name));
    return names;
}

bool IniFile::EraseSection(std::string_view section) {
    if (Refused()) return false;
    std::lock_guard lock(model_->mutex);
    size_t s = model_->FindSection(section);
    if (s == model_->lines.size()) return true;
    model_->lines.erase(model_->lines.begin() + static_cast<long>(s),
                        model_->lines.begin() + static_cast<long>(model_->SectionEnd(s)));
    return Store();
}

bool IniFile::DeleteKey(std::string_view section, std::string_view key) {
    if (Refused()) return false;
    std::lock_guard lock(model_->mutex);
    size_t s = model_->FindSection(section);
    if (s == model_->lines.size()) return true;
    for (size_t i = s + 1, end = model_->SectionEnd(s); i < end; ++i) {
        if (model_->lines[i].kind == Model::Line::Entry && SameName(model_->lines[i].name, key)) {
            model_->lines.erase(model_->lines.begin() + static_cast<long>(i));
            return Store();
        }
    }
    return true;
}

}  // namespace platform
