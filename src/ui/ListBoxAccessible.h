// How assistive technology sees a list box: a table of one column whose cells are its lines,
// in order, each named by its text, with the selected line reported as selected (and
// focused while the list has the focus). The list tells it what changes through
// NotifyListBoxChange.
#pragma once

class CListBox;
class QAccessibleEvent;

enum class ListBoxChange {
    LinesAdded,  // lines were appended, from `index` to the list's last
    Reset,       // every line was removed
    Selection,   // the selection moved to `index` (-1: none)
    Deselection, // the line at `index` is no longer selected
    Focus,       // the list took the focus; `index` is the selected line (-1: none)
};

// Registers the accessible list with the toolkit; each list box calls it, the first call
// does it.
void InstallListBoxAccessibility();

// Tells assistive technology, when any is listening, what changed in `list`.
void NotifyListBoxChange(CListBox* list, ListBoxChange change, int index = -1);

// An observer that takes the events in the toolkit's place, where one is set: they are made
// for it whether or not assistive technology listens, so that they can be read on a platform
// without it. SetListBoxEventObserverForTesting, which sets it, is a seam of the testing
// library (src/testing), which the tests link and the program does not; null ends it.
using ListBoxEventObserver = void (*)(QAccessibleEvent* event);
ListBoxEventObserver& ListBoxEventObserverSlot();
void SetListBoxEventObserverForTesting(ListBoxEventObserver observer);
