#include "editors/safe_value_editor.h"

#include <algorithm>

#include "model/module_types.h"
#include "spaces/device_space.h"

namespace norvik {

namespace sv = safevalue;

namespace {

constexpr int kBitColumns = 8;

DigitalArea digitalArea(SafeGrid grid) { return grid == SafeGrid::Do ? DigitalArea::Do : DigitalArea::Di; }
AnalogArea analogArea(SafeGrid grid) { return grid == SafeGrid::Ao ? AnalogArea::Ao : AnalogArea::Ai; }

const std::vector<SafeBit>& bitsOf(const SafeValueTable& table, SafeGrid grid) {
    return grid == SafeGrid::Do ? table.do_ : table.di;
}
std::vector<SafeBit>& bitsOf(SafeValueTable& table, SafeGrid grid) {
    return grid == SafeGrid::Do ? table.do_ : table.di;
}
const std::vector<SafeWord>& wordsOf(const SafeValueTable& table, SafeGrid grid) {
    return grid == SafeGrid::Ao ? table.ao : table.ai;
}
std::vector<SafeWord>& wordsOf(SafeValueTable& table, SafeGrid grid) {
    return grid == SafeGrid::Ao ? table.ao : table.ai;
}

// The bit or word a data cell shows, when the cell is one and the table holds it.
std::optional<std::size_t> bitAt(const SafeValueTable& table, SafeGrid grid, int row, int column) {
    if (row < 1 || column < 1 || column > kBitColumns) return std::nullopt;
    const std::size_t bit = static_cast<std::size_t>(row - 1) * kBitColumns + static_cast<std::size_t>(column - 1);
    if (bit >= bitsOf(table, grid).size()) return std::nullopt;
    return bit;
}
std::optional<std::size_t> wordAt(const SafeValueTable& table, SafeGrid grid, int row, int column) {
    if (row < 1 || column != 1) return std::nullopt;
    const auto word = static_cast<std::size_t>(row - 1);
    if (word >= wordsOf(table, grid).size()) return std::nullopt;
    return word;
}

bool isAsciiHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

// Characters of a UTF-8 text: every byte that does not continue a sequence.
std::size_t characterCount(std::string_view text) {
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<uint8_t>(c) & 0xC0u) != 0x80u; }));
}

}  // namespace

bool isDigitalGrid(SafeGrid grid) { return grid == SafeGrid::Do || grid == SafeGrid::Di; }

int safeGridRows(SafeGrid grid, SafeValueLayout layout) {
    const auto n = static_cast<int>(safeValueAreaBytes(layout));
    return (isDigitalGrid(grid) ? n : n / 2) + 1;
}

int safeGridColumns(SafeGrid grid) { return isDigitalGrid(grid) ? kBitColumns + 1 : 2; }

std::string safeGridText(const SafeValueTable& table, SafeGrid grid, int row, int column) {
    const bool digital = isDigitalGrid(grid);
    if (row <= 0) return "";
    if (column == 0) {
        const int item = row - 1;
        if (!digital) return item < static_cast<int>(wordsOf(table, grid).size()) ? std::to_string(item) : "";
        if (item >= static_cast<int>(bitsOf(table, grid).size() / kBitColumns)) return "";
        return std::to_string(kBitColumns * item) + "~" + std::to_string(kBitColumns * item + kBitColumns - 1);
    }
    if (digital) {
        const auto bit = bitAt(table, grid, row, column);
        return bit ? safeBitText(bitsOf(table, grid)[*bit]) : "";
    }
    const auto word = wordAt(table, grid, row, column);
    return word ? safeWordText(wordsOf(table, grid)[*word]) : "";
}

WordCheck checkWordText(std::string_view text) {
    WordCheck check;
    if (characterCount(text) != 4) {
        check.refusal = EditorMessage::WordLength;
        return check;
    }
    for (char c : text) {
        // Bytes of a non-ASCII character are never digits, in any case.
        const char upper = (c >= 'a' && c <= 'f') ? static_cast<char>(c - 'a' + 'A') : c;
        if (!isAsciiHexDigit(upper)) {
            check.refusal = EditorMessage::WordDigits;
            check.text.clear();
            return check;
        }
        check.text += upper;
        const int digit = upper <= '9' ? upper - '0' : upper - 'A' + 10;
        check.value = static_cast<uint16_t>(check.value * 16u + static_cast<unsigned>(digit));
    }
    return check;
}

std::optional<ModuleMarks> safeValueModuleMarks(const GatewayConfig& config, int k, SafeValueLayout layout) {
    if (k < 1 || k > static_cast<int>(kMaxModules)) return std::nullopt;
    const ModuleEntry& module = config.modules[static_cast<std::size_t>(k)];
    const bool slave = config.role == ModbusRole::Slave;
    const std::optional<ModuleRoleMeaning> meaning = moduleMeaning(module.type, config.role);
    if (!meaning) return std::nullopt;
    // The four grids are the device's four areas, in the same order.
    const auto grid = static_cast<SafeGrid>(meaning->deviceArea);
    const char* kind = meaning->typeText;
    const bool digital = isDigitalGrid(grid);
    // A master counts a digital module in coils, a slave in bytes of its data.
    const uint64_t count = digital ? (slave ? 8u * uint64_t{module.dataLength} : uint64_t{module.coilCount})
                                   : uint64_t{module.dataLength} / 2u;
    const auto cells = static_cast<uint64_t>(safeGridRows(grid, layout) - 1) * (digital ? kBitColumns : 1u);
    const uint64_t first = std::min<uint64_t>(module.internalBase, cells);
    const uint64_t end = std::min<uint64_t>(uint64_t{module.internalBase} + count, cells);
    return ModuleMarks{grid, kind, static_cast<uint32_t>(first), static_cast<uint32_t>(end)};
}

SafeCell safeGridCell(SafeGrid grid, uint32_t index) {
    if (!isDigitalGrid(grid)) return {static_cast<int>(index) + 1, 1};
    return {static_cast<int>(index / kBitColumns) + 1, static_cast<int>(index % kBitColumns) + 1};
}

std::array<bool, 32> safeValueModuleBoxes(const GatewayConfig& config) {
    std::array<bool, 32> enabled{};
    const auto states = moduleBoxStates(config);
    for (std::size_t i = 0; i < enabled.size(); ++i) enabled[i] = states[i].enabled;
    return enabled;
}

FileChoice safeValueFileChoice() { return {sv::kFileFilter, kSafeValueFileName, kSafeValueFileExtension}; }

SafeValueEditor::SafeValueEditor(DialogMode mode, const LinkSession& session, const GatewayConfig& config,
                                 GatewayJobs& jobs, UserPrompts& prompts, SafeValueWindow& window)
    : session_(session),
      config_(config),
      prompts_(prompts),
      window_(window),
      job_(jobs),
      mode_(mode),
      layout_(session.safeValueLayout),
      table_(resetSafeValueTable(layout_, mode_ == DialogMode::NewSetting)) {}

void SafeValueEditor::start() {
    if (mode_ == DialogMode::LoadFromDevice) requestLoad();
    if (mode_ == DialogMode::LoadFromFile) loadFromFile();
}

void SafeValueEditor::setTransferRunning(bool running) {
    transferRunning_ = running;
    window_.setTransferRunning(running);
}

void SafeValueEditor::showAllGrids() {
    for (SafeGrid grid : kSafeGrids) window_.showGrid(grid);
}

void SafeValueEditor::setAllBits(SafeBit state) {
    const SafeGrid grid = visibleDigitalGrid();
    norvik::setAllBits(table_, digitalArea(grid), state);
    window_.showGrid(grid);
}

void SafeValueEditor::setAllWords(uint16_t value) {
    const SafeGrid grid = visibleAnalogGrid();
    norvik::setAllWords(table_, analogArea(grid), value);
    window_.showGrid(grid);
}

bool SafeValueEditor::toggleBit(SafeGrid grid, int row, int column) {
    if (!isDigitalGrid(grid)) return false;
    const auto bit = bitAt(table_, grid, row, column);
    if (!bit) return false;
    SafeBit& value = bitsOf(table_, grid)[*bit];
    if (value == SafeBit::Unset) return false;
    value = value == SafeBit::High ? SafeBit::Low : SafeBit::High;
    return true;
}

std::optional<std::string> SafeValueEditor::editWord(SafeGrid grid, int row, int column, std::string_view text) {
    if (isDigitalGrid(grid)) return std::nullopt;
    const auto word = wordAt(table_, grid, row, column);
    if (!word) return std::nullopt;
    WordCheck check = checkWordText(text);
    if (check.refusal) {
        window_.tell(*check.refusal);
        return std::nullopt;
    }
    wordsOf(table_, grid)[*word] = check.value;
    return std::move(check.text);
}

void SafeValueEditor::markModule(int k, bool on) {
    const auto marks = safeValueModuleMarks(config_, k, layout_);
    if (!marks) return;
    const uint32_t colour = on ? sv::kMarkedColour : sv::kClearedColour;
    for (uint32_t index = marks->first; index < marks->end; ++index) {
        const SafeCell cell = safeGridCell(marks->grid, index);
        window_.colourCell(marks->grid, cell.row, cell.column, colour);
    }
}

void SafeValueEditor::clickModule(int k, bool checked) {
    if (k < 1 || k > static_cast<int>(kMaxModules)) return;
    if (checked) {
        // The boxes act as a set of which at most one is checked: the mark of
        // the one before goes before the new one is drawn.
        if (checkedModule_ != 0 && checkedModule_ != k) {
            window_.uncheckModuleBox(checkedModule_);
            markModule(checkedModule_, false);
        }
        markModule(k, true);
        checkedModule_ = k;
    } else {
        markModule(k, false);
        if (checkedModule_ == k) checkedModule_ = 0;
    }
    window_.redrawGrids();
}

void SafeValueEditor::loadFromFile() {
    const std::optional<std::string> path = prompts_.openFileName(safeValueFileChoice());
    if (!path) return;
    switch (loadSafeValueFile(*path, layout_, table_)) {
    case SafeValueFileResult::Ok: showAllGrids(); break;
    default: window_.tell(EditorMessage::FileOpenError); break;
    }
}

void SafeValueEditor::saveToFile() {
    // Checked before the file dialog: there is no use choosing a file for a
    // table that cannot be written.
    if (!encodeSafeValueBlock(table_, session_.safeValueLayout)) {
        window_.tell(EditorMessage::ValuesUnset);
        return;
    }
    const std::optional<std::string> path = prompts_.saveFileName(safeValueFileChoice());
    if (!path) return;
    switch (saveSafeValueFile(*path, table_, session_.safeValueLayout)) {
    case SafeValueFileResult::Ok: break;
    case SafeValueFileResult::EncodeError: window_.tell(EditorMessage::ValuesUnset); break;
    default: window_.tell(EditorMessage::FileCreateError); break;
    }
}

void SafeValueEditor::saveToDevice() {
    if (const std::optional<EditorMessage> refused = transferRefusal(session_)) {
        window_.tell(*refused);
        return;
    }
    std::optional<SafeValueBlock> block = encodeSafeValueBlock(table_, session_.safeValueLayout);
    if (!block) {
        window_.tell(EditorMessage::ValuesUnset);
        return;
    }
    job_.submit(Job::sendSafeValues(std::move(*block)));
    sending_ = true;
    setTransferRunning(true);
}

void SafeValueEditor::requestLoad() {
    job_.submit(Job::read(JobKind::ReadSafeValues));
    sending_ = false;
    setTransferRunning(true);
}

void SafeValueEditor::transferTick() {
    if (!transferRunning_) return;
    if (std::optional<JobResult> end = job_.take()) {
        finish(*end);
        return;
    }
    // A send is given up on its eleventh tick, counted over every send of this
    // dialog, not from each request; a load waits as long as it takes.
    if (job_.waiting() && sending_ && ++sendWaitTicks_ > sv::kSendWaitTicks) {
        sendWaitTicks_ = 0;
        job_.giveUp(jobEnd(JobKind::SendSafeValues, JobOutcome::NoAnswer));
    }
}

void SafeValueEditor::finish(const JobResult& end) {
    // The timer stops before the box, so no tick arrives while it is open.
    setTransferRunning(false);
    EditorMessage result = transferMessage(end);
    if (end.kind == JobKind::ReadSafeValues && end.done()) {
        // Only a block of the size these grids were built for is theirs; one
        // of the other layout's size came from a gateway that changed meanwhile.
        std::optional<SafeValueTable> received;
        if (end.safeValues.size() == safeValueBlockBytes(layout_))
            received = decodeSafeValueBlock(end.safeValues, layout_);
        if (received) {
            table_ = std::move(*received);
            showAllGrids();
        } else {
            result = EditorMessage::ReceiveError;
        }
    }
    window_.tell(result);
}

}  // namespace norvik
