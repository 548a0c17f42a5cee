// Shows a new version of the previewed page without loading it again: the engine would lay
// out the whole page anew (more than a second for a 2 MB page), where an edit changes a
// paragraph. Only pages where nothing runs change this way.
#pragma once

#include <QByteArray>
#include <QString>

namespace zorvik {

// A script, for a world of the program's own, that puts document (the bytes the page was
// served as, decoded as the page's own bytes were) in place of the shown page when both
// have the same head and neither holds scripts, event handlers, frames or plug-ins; only the
// changed parts are replaced. It returns true when it did so, false when the page must be
// loaded.
QString InPlaceUpdateScript(const QByteArray& document);

}  // namespace zorvik
