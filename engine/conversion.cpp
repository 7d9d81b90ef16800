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
constexpr int kMaxReferenceDepth = 64;                    // nested references at one position
constexpr std::size_t kMinEntryVisitsPerPosition = 1 << 20;  // also stops references that fan out exponentially
constexpr std::size_t kMaxGrowthFactor = 16;              // converted text at most 16 x the input ...
constexpr std::size_t kGrowthAllowance = 1 << 20;         // ... plus 1 Mi units, so short texts may expand freely

enum class StopReason { None, References, Growth };
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

// The whole scan in linear time: the units before the scan position are final, so they are
// appended to `done_`; the units from the position on are kept reversed in `rest_`, so that a
// replacement at the position only touches the end of a vector.
class ScanBuffer {
public:
    explicit ScanBuffer(const std::wstring& text) : rest_(text.rbegin(), text.rend()) { done_.reserve(text.size()); }
    bool Empty() const { return done_.empty() && rest_.empty(); }
    std::size_t Length() const { return done_.size() + rest_.size(); }
    bool StartsWith(std::wstring_view pattern) const {
        return rest_.size() >= pattern.size() && std::equal(pattern.begin(), pattern.end(), rest_.rbegin());
    }
    void Replace(std::size_t count, std::wstring_view substitute) {
        rest_.resize(rest_.size() - count);
        rest_.insert(rest_.end(), substitute.rbegin(), substitute.rend());
    }
    bool AtEnd() const { return rest_.empty(); }
    void Advance() {
        done_.push_back(rest_.back());
        rest_.pop_back();
    }
    void MoveInto(std::wstring& text) {
        done_.append(rest_.rbegin(), rest_.rend());
        rest_.clear();
        text.swap(done_);
    }

private:
    std::wstring done_;
    std::vector<wchar_t> rest_;
};

// One run over the set: table lookup and the guards' counters.
class ConversionRun {
public:
    explicit ConversionRun(std::size_t inputLength) {
        std::size_t entryCount = 0;
        for (const ConversionTable& table : ConversionSet) {
            tablesByName_.try_emplace(table.name, &table);  // the first of two equal names wins
            entryCount += table.entries.size();
        }
        visitBudget_ = kMinEntryVisitsPerPosition + 4 * entryCount;
        lengthLimit_ = inputLength > (std::numeric_limits<std::size_t>::max() - kGrowthAllowance) / kMaxGrowthFactor
                           ? std::numeric_limits<std::size_t>::max()
                           : inputLength * kMaxGrowthFactor + kGrowthAllowance;
    }

    // Names are compared exactly: the menu and StrConvID hand back the very name that was loaded, and
    // a locale-aware compare would only add equalities no user can type differently on purpose.
    const ConversionTable* Find(std::wstring_view name) const {
        const auto found = tablesByName_.find(name);
        return found == tablesByName_.end() ? nullptr : found->second;
    }

    void StartPosition() { visits_ = 0; }

    template <class Text>
    Outcome Apply(std::wstring_view name, Text& text, bool forward, int depth) {
        if (name.empty() || text.Empty()) return Outcome::NoTable;
        const ConversionTable* table = Find(name);
        if (!table) return Outcome::NoTable;
        if (depth > kMaxReferenceDepth) return Stop(StopReason::References);
        for (const ConversionEntry& entry : table->entries) {
            if (++visits_ > visitBudget_) return Stop(StopReason::References);
            if (const auto* reference = std::get_if<ConversionReference>(&entry)) {
                if (ApplyReference(*reference, text, forward, depth) == Outcome::Stopped) return Outcome::Stopped;
                continue;
            }
            const auto& pair = std::get<ConversionPair>(entry);
            const std::wstring& pattern = forward ? pair.source : pair.replacement;
            if (pattern.empty() || !text.StartsWith(pattern)) continue;
            text.Replace(pattern.size(), forward ? pair.replacement : pair.source);
            if (text.Length() > lengthLimit_) return Stop(StopReason::Growth);
        }
        return Outcome::Applied;
    }

    StopReason Stopped() const { return stopped_; }

private:
    // "!" flips the direction; the result of the referenced table does not matter.
    template <class Text>
    Outcome ApplyReference(const ConversionReference& reference, Text& text, bool forward, int depth) {
        std::wstring_view target = reference.target;
        if (target.starts_with(L'!')) {
            target.remove_prefix(1);
            forward = !forward;
        }
        return Apply(target, text, forward, depth + 1);
    }

    Outcome Stop(StopReason reason) {
        stopped_ = reason;
        return Outcome::Stopped;
    }

    std::unordered_map<std::wstring_view, const ConversionTable*> tablesByName_;
    std::size_t visits_ = 0;
    std::size_t visitBudget_ = 0;
    std::size_t lengthLimit_ = 0;
    StopReason stopped_ = StopReason::None;
};

void ReportStoppedConversion(StopReason reason, std::wstring_view name) {
    std::wstring message = Tr(L"文字変換「", L"The conversion \"");
    message += name;
    message += reason == StopReason::Growth
                   ? Tr(L"」を途中で止めました: 置換で文字列が長くなり続けます。",
                        L"\" was stopped: its replacements keep making the text longer.")
                   : Tr(L"」を途中で止めました: 参照が循環しているか、入れ子が深すぎます。",
                        L"\" was stopped: its references form a cycle or nest too deeply.");
    PendingNotification::Append(message, SeverityWarning);
}

}  // namespace

bool ApplyConversionAt(std::wstring_view name, std::wstring& text, std::size_t k, bool forward) {
    if (name.empty() || text.empty()) return false;
    ConversionRun run(text.size());
    TextAtPosition at(text, k);
    run.StartPosition();
    const Outcome outcome = run.Apply(name, at, forward, 0);
    if (outcome == Outcome::Stopped) ReportStoppedConversion(run.Stopped(), name);
    return outcome != Outcome::NoTable;
}

void ApplyConversion(std::wstring_view name, std::wstring& text) {
    if (name.empty() || text.empty()) return;
    ConversionRun run(text.size());
    if (!run.Find(name)) return;
    ScanBuffer buffer(text);
    // Advancing by exactly one unit whatever was replaced: the later units of a replacement are
    // examined again at the following positions.
    while (!buffer.AtEnd()) {
        run.StartPosition();
        if (run.Apply(name, buffer, /*forward=*/true, 0) == Outcome::Stopped) break;
        if (buffer.AtEnd()) break;
        buffer.Advance();
    }
    buffer.MoveInto(text);
    if (run.Stopped() != StopReason::None) ReportStoppedConversion(run.Stopped(), name);
}
