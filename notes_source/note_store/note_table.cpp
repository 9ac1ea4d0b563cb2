#include "notes_source/note_store/note_table.h"

#include <map>
#include <set>
#include <vector>

#include "notes_source/note_store/note_body.h"
#include "notes_source/note_store/note_store.pb.h"

namespace quillmere::note_store {

namespace {

using namespace note_store_proto;

constexpr const char* kCellStyle =
    "border-style: solid; border-width: 1.0px 1.0px 1.0px 1.0px; border-color: #ccc; padding: "
    "3.0px 5.0px 3.0px 5.0px; min-width: 70px";

// The table's objects, walked within kMaxTableSteps: a hostile table may name its objects from
// many places, or itself.
class TableDocument {
public:
    explicit TableDocument(const MergeableDocument& document) : document_(document) {}

    // Takes one step of the walk; false once the walk is over its budget.
    bool step() const { return ++steps_ <= kMaxTableSteps; }
    bool overBudget() const { return steps_ > kMaxTableSteps; }

    const MergeableObject* object(const ObjectId& id) const {
        if (!id.has_object_index()) return nullptr;
        const auto index = id.object_index();
        return index < static_cast<std::uint64_t>(document_.object_size())
                   ? &document_.object(static_cast<int>(index))
                   : nullptr;
    }
    std::string key(int index) const {
        return index >= 0 && index < document_.key_item_size() ? document_.key_item(index) : "";
    }
    std::string type(int index) const {
        return index >= 0 && index < document_.type_item_size() ? document_.type_item(index) : "";
    }
    // The value of a custom object's entry named `name`, or null.
    const ObjectId* entry(const CustomObject& custom, const std::string& name) const {
        for (const auto& entry : custom.entry()) {
            if (!step()) return nullptr;
            if (key(entry.key()) == name) return &entry.value();
        }
        return nullptr;
    }
    // The bytes of the UUID an object id refers to; empty when it refers to none.
    std::string uuid(const ObjectId& id) const {
        const auto* target = object(id);
        if (target == nullptr || !target->has_custom()) return {};
        const auto* index = entry(target->custom(), "UUIDIndex");
        if (index == nullptr || !index->has_unsigned_integer()) return {};
        const auto i = index->unsigned_integer();
        return i < static_cast<std::uint64_t>(document_.uuid_item_size())
                   ? document_.uuid_item(static_cast<int>(i))
                   : std::string{};
    }
    // The first string found by following `id` through registers and custom objects, each
    // object looked at once.
    std::string string(const ObjectId& id) const {
        std::set<std::uint64_t> visited;
        return string(id, visited, 0);
    }
    // The members of an ordered set, in order, each once, the deleted ones left out.
    std::vector<std::string> ordered(const ObjectId& id) const {
        std::vector<std::string> members;
        const auto* target = object(id);
        if (target == nullptr || !target->has_ordered_set()) return members;
        const auto& set = target->ordered_set();
        std::set<std::string> present;
        for (const auto& element : set.elements().element()) {
            if (!step()) return {};
            present.insert(uuid(element.key()));
        }
        std::map<std::string, std::string> contents;
        for (const auto& element : set.ordering().contents().element()) {
            if (!step()) return {};
            contents.emplace(uuid(element.key()), uuid(element.value()));
        }
        std::set<std::string> seen;
        for (const auto& attachment : set.ordering().array().attachment()) {
            if (!step()) return {};
            if (!present.count(attachment.uuid())) continue;
            auto member = contents.find(attachment.uuid());
            if (member == contents.end() || member->second.empty()) continue;
            if (seen.insert(member->second).second) members.push_back(member->second);
        }
        return members;
    }

private:
    std::string string(const ObjectId& id, std::set<std::uint64_t>& visited, int depth) const {
        if (id.has_string_value()) return id.string_value();
        const auto* target = object(id);
        if (target == nullptr || depth > 8 || !step()) return {};
        if (!visited.insert(id.object_index()).second) return {};
        if (target->has_register_latest()) {
            return string(target->register_latest().contents(), visited, depth + 1);
        }
        if (target->has_custom()) {
            for (const auto& entry : target->custom().entry()) {
                if (auto found = string(entry.value(), visited, depth + 1); !found.empty()) {
                    return found;
                }
            }
        }
        return {};
    }

    const MergeableDocument& document_;
    mutable std::size_t steps_ = 0;
};

}  // namespace

std::optional<std::string> readTable(std::string_view storedData, std::string& fault) {
    auto bytes = gunzip(storedData, fault);
    if (!bytes) return std::nullopt;
    StoredMergeable stored;
    if (!stored.ParseFromString(*bytes)) {
        fault = "the table's protocol buffer is damaged or cut short";
        return std::nullopt;
    }
    std::string().swap(*bytes);
    const auto& document = stored.version().document();
    if (document.object_size() == 0 || !document.object(0).has_custom()) {
        fault = "the table has no root object";
        return std::nullopt;
    }
    const TableDocument table(document);
    const auto& root = document.object(0).custom();
    const auto* rowsId = table.entry(root, "crRows");
    const auto* columnsId = table.entry(root, "crColumns");
    const auto* cellsId = table.entry(root, "cellColumns");
    if (!rowsId || !columnsId || !cellsId) {
        fault = "the table lacks its rows, columns or cells";
        return std::nullopt;
    }
    const auto rows = table.ordered(*rowsId);
    const auto columns = table.ordered(*columnsId);
    if (!rows.empty() && columns.size() > kMaxTableCells / rows.size()) {
        fault = "the table has too many cells";
        return std::nullopt;
    }
    // column -> row -> cell text
    std::map<std::string, std::map<std::string, const NoteText*>> cells;
    if (const auto* cellColumns = table.object(*cellsId); cellColumns != nullptr) {
        for (const auto& column : cellColumns->dictionary().element()) {
            const auto* byRow = table.object(column.value());
            if (byRow == nullptr) continue;
            auto& cellsOfColumn = cells[table.uuid(column.key())];
            for (const auto& row : byRow->dictionary().element()) {
                if (!table.step()) break;
                const auto* cell = table.object(row.value());
                if (cell != nullptr && cell->has_text()) {
                    cellsOfColumn.emplace(table.uuid(row.key()), &cell->text());
                }
            }
        }
    }
    const auto* directionId = table.entry(root, "crTableColumnDirection");
    const std::string direction = directionId ? table.string(*directionId) : std::string();
    const bool rightToLeft = direction.find("RightToLeft") != std::string::npos;
    if (table.overBudget()) {
        fault = "the table is over its budget (its objects take more than " +
                std::to_string(kMaxTableSteps) + " steps to walk)";
        return std::nullopt;
    }

    std::string html =
        "<object><table cellspacing=\"0\" cellpadding=\"0\" style=\"border-collapse: "
        "collapse; direction: ";
    html += rightToLeft ? "rtl" : "ltr";
    html += "\">\n<tbody>\n";
    // Cells may share their text; each text is rendered once.
    RenderBudget budget(kBaseHtmlUnits);
    std::map<const NoteText*, std::string> rendered;
    for (const auto& row : rows) {
        html += "<tr>";
        for (const auto& column : columns) {
            html += "<td valign=\"top\" style=\"";
            html += kCellStyle;
            html += "\">";
            auto byRow = cells.find(column);
            if (byRow != cells.end()) {
                if (auto cell = byRow->second.find(row); cell != byRow->second.end()) {
                    auto [at, fresh] = rendered.try_emplace(cell->second);
                    if (fresh) {
                        at->second =
                            text::toUtf8(renderNoteText(*cell->second, nullptr, nullptr, &budget));
                    }
                    if (budget.spend(at->second.size())) html += at->second;
                }
            }
            html += "</td>";
            if (budget.exceeded()) {
                fault = "the table is over its budget (its HTML would pass " +
                        std::to_string(kBaseHtmlUnits >> 20) + " MiB)";
                return std::nullopt;
            }
        }
        html += "</tr>\n";
    }
    html += "</tbody>\n</table></object>";
    return html;
}

}  // namespace quillmere::note_store
