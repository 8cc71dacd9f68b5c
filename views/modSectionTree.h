#pragma once
// The fixed content of the section tree and the small text rules around it: the association
// menus' agreement of "stesso", and the deferred command texts carried by the tmFunc timer.

#include <QString>
#include <vector>

struct SectionNode {
    int Parent = 0; // index (1-based) of the parent node, 0 for a root
    QString Key;    // table name, list name, or empty for a group
    QString Text;   // display text; for a table, empty: the table's caption is shown
    QString Image;  // image key
};

// The twenty nodes, in tree order (the node index is the position + 1).
const std::vector<SectionNode>& SectionNodes();

// " con stessi " / " con stessa " / " con stesse " (only with `feminineE`) / " con stesso ",
// chosen by the last letter of `word`.
QString AgreementPhrase(const QString& word, bool feminineE);

// The text a deferred association command travels as: "mnuRefItem( 3)", "mnuContItem(-1)".
QString DeferredCommandText(const QString& menu, int number);

struct DeferredCommand {
    QString Menu; // "mnuContItem", "mnuRefItem", "mnuReferencedItem", or empty when the text
                  // is none of them
    int Number = 0;
};
DeferredCommand ParseDeferredCommand(const QString& text);
