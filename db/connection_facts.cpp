// Info: what the open connection is, as the provider tells it.

#include <string>
#include <vector>

#include "console/terminal/shown_text.h"
#include "db/database.h"
#include "db/line_tag.h"

namespace ql::db {

// Each fact on a line of its own, the values in one column after the longest name.
bool Database::ShowConnectionFacts() {
  const bool escaped = EscapesControls();
  return Guarded({kTagDescribe, Needs::kConnection}, false, [&] {
    const std::vector<access::ConnectionFact> facts = connection_->Describe();
    if (facts.empty()) {
      Print("The connection tells nothing about itself.\n");
      return false;
    }
    std::size_t nameWidth = 0;
    for (const access::ConnectionFact& fact : facts) {
      nameWidth = std::max(nameWidth, console::ShownWidth(fact.name, escaped));
    }
    std::string lines;
    for (const access::ConnectionFact& fact : facts) {
      lines += fact.name;
      lines += ':';
      lines.append(nameWidth - console::ShownWidth(fact.name, escaped) + 1, ' ');
      lines += fact.value;
      lines += '\n';
    }
    PrintLiteral(lines);
    return true;
  });
}

}  // namespace ql::db
