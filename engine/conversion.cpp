// Applying the conversion tables: entries in file order at one position, references in place.
#include "conversion.h"

#include <algorithm>
#include <limits>
#include <unordered_map>

#include "language.h"
#include "pending_notification.h"

std::vector<ConversionTable> ConversionSet;

namespace {

// Guards against tables that never finish. A reference cycle recurses without end and a
// replacement that re-creates its pattern (x -> yx) grows the text at every later position.
// Legitimate tables stay far below these bounds; when one trips, the conversion stops where it is.
// The fuzzing build runs the same guards with allowances 64 times smaller: a fuzzer soon finds tables
// that trip them, and each such input would otherwise take a million steps to get there.
#ifdef NUVELA_FUZZ_SMALL_GUARDS
constexpr int kAllowanceShift = 6;
#else
constexpr int kAllowanceShift = 0;
#endif
constexpr int kMaxReferenceDepth = 64;                                          // nested references at one position
constexpr std::size_t kMinEntryVisitsPerPosition = (1 << 16) >> kAllowanceShift;  // plus 4 x the set's entries; stops fan-out too
constexpr std::size_t kMaxGrowthFactor = 16;                                    // converted text at most 16 x the input ...
constexpr std::size_t kGrowthAllowance = (1 << 16) >> kAllowanceShift;  // ... plus 64 Ki units, so short texts may grow freely
// The per-position bounds still allow a table that fans out just below them at every position of a
// long text to run for hours. The whole run may visit 4 x the set's entries per input unit, or 64 Mi
// entries when that is more: a fraction of a second, and far beyond what any real table needs.
constexpr std::size_t kMinEntryVisitsPerRun = (std::size_t{1} << 26) >> kAllowanceShift;

enum class StopReason { None, References, Growth, Work };
enum class Outcome { Applied, NoTable, Stopped };

// The text as seen from one position, changed in place.
class TextAtPosition {
public:
    TextAtPosition(std::wstring& text, std::size_t k) : text_(text), k_(k) {}
    bool Empty() const { return text_.empty(); }
    std::size_t Length() const { return text_.size(); }
    bool StartsWith(std::wstring_view pattern) const {
        return k_ <= text_.size() && text_.size() - k_ >= pattern.size() &&
               std::equal(pattern.begin(), pattern.end(), text_.begin() + static_cast<std::ptrdiff_t>(k_));
    }
    void Replace(std::size_t count, std::wstring_view substitute) { text_.replace(k_, count, substitute); }

private:
    std::wstring& text_;
    std::size_t k_;
};

// The whole scan in linear time. Units before the scan position are final and go to `done_`;
// units that replacements put ahead of the position wait, reversed, in `ahead_`, followed by the
// untouched rest of the text from `next_` on. So a replacement only touches the end of a small vector.
class ScanBuffer {
public:
    explicit ScanBuffer(const std::wstring& text) : source_(text) { done_.reserve(text.size()); }
    bool Empty() const { return done_.empty() && AtEnd(); }
    std::size_t Length() const { return done_.size() + Remaining(); }
    bool AtEnd() const { return ahead_.empty() && next_ == source_.size(); }

    bool StartsWith(std::wstring_view pattern) const {
        if (Remaining() < pattern.size()) return false;
        std::size_t i = 0;
        for (auto unit = ahead_.rbegin(); unit != ahead_.rend() && i < pattern.size(); ++unit, ++i)
            if (*unit != pattern[i]) return false;
        return std::equal(pattern.begin() + static_cast<std::ptrdiff_t>(i), pattern.end(),
                          source_.begin() + static_cast<std::ptrdiff_t>(next_));
    }

    void Replace(std::size_t count, std::wstring_view substitute) {
        const std::size_t fromAhead = std::min(count, ahead_.size());
        ahead_.resize(ahead_.size() - fromAhead);
        next_ += count - fromAhead;
        ahead_.insert(ahead_.end(), substitute.rbegin(), substitute.rend());
    }

    void Advance() {
        if (ahead_.empty()) {
            done_.push_back(source_[next_++]);
        } else {
            done_.push_back(ahead_.back());
            ahead_.pop_back();
        }
    }

    // `text` may be the very string the buffer reads from.
    void MoveInto(std::wstring& text) {
        done_.append(ahead_.rbegin(), ahead_.rend());
        done_.append(source_, next_);
        text.swap(done_);
    }

private:
    std::size_t Remaining() const { return ahead_.size() + (source_.size() - next_); }

    const std::wstring& source_;
    std::size_t next_ = 0;
    std::vector<wchar_t> ahead_;
    std::wstring done_;
};

// A table with its references resolved once per run, so a position costs no name lookups.
constexpr int kPair = -1;     // the entry is a pair, not a reference
constexpr int kNoTable = -2;  // a reference whose target is empty or names no table: it does nothing
struct ResolvedEntry {
    std::wstring_view source;
    std::wstring_view replacement;
    int table = kPair;   // the referenced table's index in the run
    bool flips = false;  // "!": the referenced table runs the other way
};

// One run over the set: the tables reachable from the named one, and the guards' counters.
class ConversionRun {
public:
    ConversionRun(std::wstring_view name, std::size_t inputLength) {
        std::size_t entryCount = 0;
        for (const ConversionTable& table : ConversionSet) {
            tablesByName_.try_emplace(table.name, &table);  // the first of two equal names wins
            entryCount += table.entries.size();
        }
        visitBudget_ = kMinEntryVisitsPerPosition + 4 * entryCount;
        runBudget_ = std::max(kMinEntryVisitsPerRun, SaturatingProduct(4 * (entryCount + 1), inputLength));
        lengthLimit_ = inputLength > (std::numeric_limits<std::size_t>::max() - kGrowthAllowance) / kMaxGrowthFactor
                           ? std::numeric_limits<std::size_t>::max()
                           : inputLength * kMaxGrowthFactor + kGrowthAllowance;
        start_ = IndexOf(name);
        ResolvePending();
    }

    bool Found() const { return start_ >= 0; }
    void StartPosition() { visits_ = 0; }

    template <class Text>
    Outcome Apply(Text& text, bool forward) {
        return start_ < 0 ? Outcome::NoTable : ApplyTable(start_, text, forward, 0);
    }

    StopReason Stopped() const { return stopped_; }

private:
    // Names are compared exactly: the menu and StrConvID hand back the very name that was loaded, and
    // the locale-aware compare of the platform would only add equalities no user types on purpose.
    int IndexOf(std::wstring_view name) {
        if (name.empty()) return kNoTable;
        const auto found = tablesByName_.find(name);
        if (found == tablesByName_.end()) return kNoTable;
        const auto [known, added] = indexOf_.try_emplace(found->second, static_cast<int>(tables_.size()));
        if (added) {
            tables_.emplace_back();
            pending_.push_back(found->second);
        }
        return known->second;
    }

    // A worklist rather than recursion: a file may chain any number of tables.
    void ResolvePending() {
        while (!pending_.empty()) {
            const ConversionTable* table = pending_.back();
            pending_.pop_back();
            std::vector<ResolvedEntry> entries;
            entries.reserve(table->entries.size());
            for (const ConversionEntry& entry : table->entries) {
                if (const auto* pair = std::get_if<ConversionPair>(&entry)) {
                    entries.push_back({pair->source, pair->replacement});
                    continue;
                }
                std::wstring_view target = std::get<ConversionReference>(entry).target;
                const bool flips = target.starts_with(L'!');
                if (flips) target.remove_prefix(1);
                entries.push_back({{}, {}, IndexOf(target), flips});
            }
            tables_[static_cast<std::size_t>(indexOf_.at(table))] = std::move(entries);
        }
    }

    template <class Text>
    Outcome ApplyTable(int index, Text& text, bool forward, int depth) {
        if (text.Empty()) return Outcome::NoTable;
        if (depth > kMaxReferenceDepth) return Stop(StopReason::References);
        for (const ResolvedEntry& entry : tables_[static_cast<std::size_t>(index)]) {
            if (++visits_ > visitBudget_) return Stop(StopReason::References);
            if (++runVisits_ > runBudget_) return Stop(StopReason::Work);
            if (entry.table != kPair) {
                // the referenced table's own result does not matter
                if (entry.table != kNoTable &&
                    ApplyTable(entry.table, text, forward != entry.flips, depth + 1) == Outcome::Stopped)
                    return Outcome::Stopped;
                continue;
            }
            const std::wstring_view pattern = forward ? entry.source : entry.replacement;
            if (pattern.empty() || !text.StartsWith(pattern)) continue;
            text.Replace(pattern.size(), forward ? entry.replacement : entry.source);
            if (text.Length() > lengthLimit_) return Stop(StopReason::Growth);
        }
        return Outcome::Applied;
    }

    static std::size_t SaturatingProduct(std::size_t a, std::size_t b) {
        return b != 0 && a > std::numeric_limits<std::size_t>::max() / b ? std::numeric_limits<std::size_t>::max()
                                                                          : a * b;
    }

    Outcome Stop(StopReason reason) {
        stopped_ = reason;
        return Outcome::Stopped;
    }

    std::unordered_map<std::wstring_view, const ConversionTable*> tablesByName_;
    std::unordered_map<const ConversionTable*, int> indexOf_;
    std::vector<std::vector<ResolvedEntry>> tables_;
    std::vector<const ConversionTable*> pending_;
    int start_ = kNoTable;
    std::size_t visits_ = 0;
    std::size_t visitBudget_ = 0;
    std::size_t runVisits_ = 0;
    std::size_t runBudget_ = 0;
    std::size_t lengthLimit_ = 0;
    StopReason stopped_ = StopReason::None;
};

void ReportStoppedConversion(StopReason reason, std::wstring_view name) {
    std::wstring message = Tr(L"文字変換「", L"The conversion \"");
    message += name;
    switch (reason) {
    case StopReason::Growth:
        message += Tr(L"」を途中で止めました: 置換で文字列が長くなり続けます。",
                      L"\" was stopped: its replacements keep making the text longer.");
        break;
    case StopReason::Work:
        message += Tr(L"」を途中で止めました: この文字列には手間がかかりすぎます。",
                      L"\" was stopped: it takes too much work for this text.");
        break;
    case StopReason::References:
    case StopReason::None:
        message += Tr(L"」を途中で止めました: 参照が循環しているか、入れ子が深すぎます。",
                      L"\" was stopped: its references form a cycle or nest too deeply.");
        break;
    }
    PendingNotification::Append(message, SeverityWarning);
}

}  // namespace

bool ApplyConversionAt(std::wstring_view name, std::wstring& text, std::size_t k, bool forward) {
    if (name.empty() || text.empty()) return false;
    ConversionRun run(name, text.size());
    if (!run.Found()) return false;
    TextAtPosition at(text, k);
    run.StartPosition();
    if (run.Apply(at, forward) == Outcome::Stopped) ReportStoppedConversion(run.Stopped(), name);
    return true;
}

void ApplyConversion(std::wstring_view name, std::wstring& text) {
    if (name.empty() || text.empty()) return;
    ConversionRun run(name, text.size());
    if (!run.Found()) return;
    ScanBuffer buffer(text);
    // Advancing by exactly one unit whatever was replaced: the later units of a replacement are
    // examined again at the following positions.
    while (!buffer.AtEnd()) {
        run.StartPosition();
        if (run.Apply(buffer, /*forward=*/true) == Outcome::Stopped) break;
        if (buffer.AtEnd()) break;
        buffer.Advance();
    }
    buffer.MoveInto(text);
    if (run.Stopped() != StopReason::None) ReportStoppedConversion(run.Stopped(), name);
}
