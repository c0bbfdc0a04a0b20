#include "app/demonstration.h"

#include "console/color_console.h"

namespace ql::app {
namespace {

// Printed as they stand: none holds a '%' or a '#'. The empty text ends the list. The mailboxes and
// servers are invented; the first two rows of the sample database hold the same values.
constexpr const char* kTranscript[] = {
    "-open \"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=xxx.mdb;\"\n-table\n",
    "Account [TABLE]\n",
    "MSysAccessObjects [ACCESS TABLE]\n",
    "MSysAccessXML [ACCESS TABLE]\n",
    "MSysACEs [SYSTEM TABLE]\n",
    "MSysObjects [SYSTEM TABLE]\n",
    "MSysQueries [SYSTEM TABLE]\n",
    "MSysRelationships [SYSTEM TABLE]\n",
    "-sql \"select * from account\"\n",
    "-record\n",
    "ID              1\n",
    "Account         \"qltest@brightpost.example\"\n",
    "User            <NULL>\n",
    "Password        \"583920\"\n",
    "SetupDate       2003/10/1 0:0:0\n",
    "pop3            \"pop.brightpost.example\"\n",
    "smtp            \"smtp.brightpost.example\"\n",
    "Type            0\n",
    "-------------------------------------------------------------------------------\n",
    "-t\n",
    "ID              2\n",
    "Account         \"qltest@harborline.example\"\n",
    "User            <NULL>\n",
    "Password        \"583920\"\n",
    "SetupDate       2003/10/1 0:0:0\n",
    "pop3            \"pop3.harborline.example\"\n",
    "smtp            \"mail.harborline.example\"\n",
    "Type            0\n",
    "-------------------------------------------------------------------------------\n",
    "-close\n",
    "==== connection strings ====\n",
    "SQL Server\n",
    "Provider=SQLOLEDB;Data Source=(local);Initial Catalog=Master;User Id=sa;Password=kqz;\n",
    "Provider=SQLOLEDB;Data Source=(local);Integrated Security=SSPI;\n",
    "",
};

}  // namespace

void PrintDemonstration(console::ColorConsole& console) {
  for (const char* text : kTranscript) {
    if (*text == '\0') break;
    console.Print("%s", text);
  }
}

}  // namespace ql::app
