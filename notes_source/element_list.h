#pragma once
// An ordered list of scripting objects, as Notes answers it: a count, the element at an index,
// the first element, and in-order iteration. Every read asks the backend afresh.
//
//   for (std::uint64_t i = 0; i < notes.count(); ++i) { auto note = notes.objectAtIndex(i); }
//   notes.enumerate([](const std::shared_ptr<NotesNote>& note, std::uint64_t index) { ... });

#include <cstdint>
#include <functional>
#include <memory>
#include <utility>

namespace quillmere {

template <class Element>
class ElementList {
public:
    using CountFunction = std::function<std::uint64_t()>;
    using ElementFunction = std::function<std::shared_ptr<Element>(std::uint64_t)>;

    ElementList() : count_([] { return 0; }), element_([](std::uint64_t) { return nullptr; }) {}
    ElementList(CountFunction count, ElementFunction element)
        : count_(std::move(count)), element_(std::move(element)) {}

    std::uint64_t count() const { return count_(); }
    // The element at `index` (from 0); null past the end.
    std::shared_ptr<Element> objectAtIndex(std::uint64_t index) const {
        return index < count() ? element_(index) : nullptr;
    }
    // The first element, or null for an empty list.
    std::shared_ptr<Element> firstObject() const { return objectAtIndex(0); }

    // Calls `visit(element, index)` for every element in order; never stops early.
    template <class Visit>
    void enumerate(Visit&& visit) const {
        const std::uint64_t n = count();
        for (std::uint64_t i = 0; i < n; ++i) {
            visit(element_(i), i);
        }
    }

    class iterator {
    public:
        using value_type = std::shared_ptr<Element>;
        using difference_type = std::ptrdiff_t;
        iterator(const ElementList* list, std::uint64_t index) : list_(list), index_(index) {}
        value_type operator*() const { return list_->element_(index_); }
        iterator& operator++() {
            ++index_;
            return *this;
        }
        friend bool operator==(const iterator& a, const iterator& b) {
            return a.index_ == b.index_;
        }

    private:
        const ElementList* list_;
        std::uint64_t index_;
    };
    iterator begin() const { return iterator(this, 0); }
    iterator end() const { return iterator(this, count()); }

private:
    CountFunction count_;
    ElementFunction element_;
};

}  // namespace quillmere
