// The zorvik command: a table of verbs over the core library.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string_view>
#include <system_error>

#include "cli/verb_options.h"
#include "cli/verbs.h"
#include "zorvik_version.h"

namespace zorvik::cli {
namespace {

struct TVerb {
  std::string_view name;
  int (*run)(const TArgs&);
  bool reads_pages;  // generates pages, and so takes --encoding
  std::string_view usage;
  std::string_view help;  // what `zorvik VERB --help` adds: the verb's options and outcome
};

constexpr std::string_view kLocationsHelp =
    "  --locations  after each log line that names a line, print FILE:LINE: error: MESSAGE\n"
    "               (or warning:) on stderr, LINE counted from 1, as editors read it\n";

constexpr std::string_view kEncodingHelp =
    "  --encoding cp932|utf-8\n"
    "               read every file without a UTF-8 byte-order mark in this encoding; without\n"
    "               it, a file is UTF-8 when its well-formed UTF-8 characters outnumber its\n"
    "               other bytes above 0x7F four to one, else Shift-JIS (CP932). A page is in\n"
    "               the encoding its template declares\n";

constexpr TVerb kVerbs[] = {
    {"build", RunBuild, true,
     "build [--locations] PAGE           generate the page source PAGE and write its HTML file",
     "Generates PAGE as the workbench's write button does and writes the HTML file it names.\n"
     "Exit status: 0 no error, 1 errors in the run (the file is not written), 2 usage error or\n"
     "unreadable PAGE.\n"},
    {"show", RunShow, true,
     "show [--locations] PAGE            generate PAGE and print the HTML, writing nothing",
     "Generates PAGE and prints the result (in the page's encoding) on stdout; writes no file.\n"
     "Exit status as for build.\n"},
    {"batch", RunBatchVerb, true,
     "batch [--locations] [--check | --changed] GROUP\n"
     "                                     generate and write every page of the group file",
     "Generates every page of the group file GROUP in turn, as the batch window does.\n"
     "  --check      write nothing; print on stdout the output files whose bytes differ from\n"
     "               what would be written (missing ones too); exit 1 when there is any\n"
     "  --changed    write only the pages whose bytes differ; the others keep their time\n"
     "Exit status: 0 no error and no missing page, 1 otherwise, 2 usage error or unreadable "
     "GROUP.\n"},
    {"watch", RunWatch, true,
     "watch [--locations] GROUP|PAGE     generate, then again whenever a file it read changes",
     "Generates GROUP (a .gro group file, as batch) or PAGE (as build) once, then waits for\n"
     "changes of the page sources, templates, imported files and the group file, and generates\n"
     "exactly the pages a change touched. Ctrl+C ends it with exit status 0.\n"},
    {"serve", RunServe, true,
     "serve [--locations] [--port N] [--open] GROUP|PAGE\n"
     "                                     generate as watch, and serve the site with live reload",
     "Generates as watch does and serves the site on 127.0.0.1 and [::1] only, printing its\n"
     "address on stdout: a page reloads in the browser when a generation rewrote it, or a style\n"
     "sheet or image it uses changed; a generation with errors shows its log over the page.\n"
     "  --port N     listen on port N (default 8931, or the next free one)\n"
     "  --open       open the first page in the browser (xdg-open)\n"
     "Ctrl+C or SIGTERM ends it with exit status 0. Exit status 2: usage error, or the port\n"
     "cannot be bound.\n"},
    {"check", RunCheck, true,
     "check [--written] [--external] [--timeout S] GROUP|PAGE\n"
     "                                     check links, anchors, charsets and left-over tags",
     "Generates every page in memory (or reads the written ones) and checks the site as a\n"
     "browser and a Linux web server see it: local addresses (letter case counts), #fragments,\n"
     "duplicate ids, charsets, tags and loop markers left over, pages no other page links to.\n"
     "Findings on stderr as FILE:LINE: error: / warning: / note: MESSAGE, then a summary.\n"
     "  --written    check the pages already written instead of generating them\n"
     "  --external   fetch http(s) addresses (8 at once, 2 per host; kept a day in the cache)\n"
     "  --timeout S  seconds each external address may take (default 15)\n"
     "Exit status: 0 no error, 1 an error, 2 usage error or unreadable GROUP or PAGE.\n"},
    {"publish", RunPublish, true,
     "publish [--to URL] [--dry-run] [--delete] GROUP\n"
     "                                     generate, then send the changed files to the server",
     "Generates GROUP as batch --changed does, then sends the files of its site that changed to\n"
     "the server: each under a temporary name, renamed over the old file, so that visitors never\n"
     "see half a page. .zorvik-publish.json on the server (each file's path, size and SHA-256)\n"
     "tells what changed; it is written last, and a run cut anywhere is finished by the next.\n"
     "Page sources, templates, imports, the group file, dot files and links are not sent.\n"
     "  --to URL     sftp://USER@HOST[:PORT]/FOLDER (your SSH keys and agent) or\n"
     "               ftps://USER@HOST[:PORT]/FOLDER (explicit TLS; the password from ~/.netrc,\n"
     "               or asked on the terminal); /~/FOLDER is under the login folder. Without\n"
     "               it, \"to = URL\" in GROUP.publish. No password is ever stored.\n"
     "  --dry-run    print what would be sent and removed; send nothing\n"
     "  --delete     remove the files Zorvik sent that the site no longer has (never others)\n"
     "  --accept-host-key FINGERPRINT\n"
     "               accept the unknown SSH host key with this SHA256: fingerprint and add it\n"
     "               to ~/.ssh/known_hosts; a changed host key is always refused\n"
     "  --insecure-ftp  allow plain ftp:// (password and pages unencrypted)\n"
     "  --ca-file FILE  for FTPS, trust the certificates in FILE (a server's own certificate)\n"
     "Prints \"sent PATH\" and \"removed PATH\" on stdout (\"would send\" with --dry-run), a "
     "summary\n"
     "on stderr. Exit status: 0 done, 1 errors in the pages, a refused host key or a failed\n"
     "transfer, 2 usage error or unreadable GROUP.\n"},
    {"convert", RunConvert, false,
     "convert --to utf-8|cp932 [--ncr] [--fold] [--dry-run] GROUP|FILE...\n"
     "                                     convert a site to the other encoding, proved lossless",
     "Converts the page sources, templates, imported files and group file of GROUP (or the\n"
     "FILEs given) to UTF-8 or Shift-JIS (CP932), and renames the charset declarations of the\n"
     "templates (<meta charset>, http-equiv, <?xml encoding>, @charset). It proves it first:\n"
     "every file converts back to its own bytes, and for a GROUP the pages built before and\n"
     "after (in memory) have the same text apart from the declarations. A character the target\n"
     "cannot hold stops it with its FILE:LINE; nothing is changed then. Each file is replaced\n"
     "atomically. Build the pages again afterwards (zorvik batch GROUP).\n"
     "  --ncr        write a character Shift-JIS cannot hold as a reference (&#xA9;) instead\n"
     "  --fold       take a character with two Shift-JIS codes (Ⅰ as 0xFA4A and 0x8754) in the\n"
     "               form that comes back; every one in the way is listed either way\n"
     "  --dry-run    print what would be converted; change nothing\n"
     "Exit status: 0 converted (or nothing to do), 1 refused or a write failed, 2 usage error.\n"},
    {"new", RunNew, false,
     "new [--encoding cp932|utf-8] FOLDER  make a starter site (or --page PAGE: a new page)",
     "Makes a starter site in FOLDER (made when missing): a group file, two templates, a top\n"
     "page, an article page with a loop and an import, and a style sheet with the marker\n"
     "classes, every file commented, in Shift-JIS (or UTF-8 with --encoding utf-8, its charset\n"
     "declarations to match). The pages and the style sheet go to FOLDER/public/, the web\n"
     "root that serve shows at / and publish sends. Build it with: zorvik batch FOLDER/site.gro\n"
     "  --page PAGE  make a new page source PAGE (news.dat) beside the first page of the site's\n"
     "               group, with its template, imports and values (empty), writing news.html\n"
     "               beside its page, and add it to the group file\n"
     "Exit status: 0, 1 when a file could not be written, 2 usage error or FOLDER exists and is\n"
     "not empty, or PAGE exists (nothing is written then).\n"},
    {"match", RunMatch, false,
     "match PATTERN                      print \"POS LEN\" of the first match in stdin",
     "Prints the 1-based byte position and length of the first match of PATTERN in stdin\n"
     "(\"0 0\" when none). Exit status: 0 match, 1 none, 2 malformed pattern.\n"},
    {"replace", RunReplace, false,
     "replace PATTERN REPLACEMENT        replace every match in stdin",
     "Prints stdin with every match of PATTERN replaced, and the count on stderr.\n"
     "Exit status: 0, or 2 for a malformed pattern.\n"},
};

int PrintHelp() {
  std::printf(
      "Usage: zorvik COMMAND [OPTIONS] [ARGUMENTS]\n"
      "Makes static HTML pages from Shift-JIS or UTF-8 page sources and templates.\n\n"
      "Commands:\n");
  for (const TVerb& verb : kVerbs)
    std::printf("  %.*s\n", int(verb.usage.size()), verb.usage.data());
  std::printf(
      "  --help                             show this help; zorvik COMMAND --help for one command\n"
      "  --version                          show the version\n\n"
      "The generation log goes to stderr in UTF-8; SOURCE_DATE_EPOCH fixes the clock.\n"
      "Patterns and replacements are taken byte for byte; stdin and stdout are raw bytes.\n"
      "Exit status: 0 success or match; 1 errors in a run, a missing page or no match;\n"
      "2 usage error, unreadable input or malformed pattern.\n");
  return FinishStandardOutput(0);
}

int PrintVerbHelp(const TVerb& verb) {
  std::printf("Usage: zorvik %.*s\n\n%.*s", int(verb.usage.size()), verb.usage.data(),
              int(verb.help.size()), verb.help.data());
  // Only the verbs that run pages take --locations (their usage lines say so).
  const bool locations = verb.usage.find("--locations") != std::string_view::npos;
  if (locations || verb.reads_pages) std::printf("\nOptions:\n");
  if (locations) std::printf("%.*s", int(kLocationsHelp.size()), kLocationsHelp.data());
  if (verb.reads_pages) std::printf("%.*s", int(kEncodingHelp.size()), kEncodingHelp.data());
  return FinishStandardOutput(0);
}

}  // namespace

}  // namespace zorvik::cli

int main(int argc, char** argv) {
  using namespace zorvik::cli;
  // A write beyond the file-size limit then fails as a write, instead of killing the process
  // with its temporary file left behind; a closed pipe likewise.
  std::signal(SIGXFSZ, SIG_IGN);
  std::signal(SIGPIPE, SIG_IGN);
  if (argc < 2) return UsageError("no command given");
  const std::string_view command = argv[1];
  if (command == "--help" || command == "-h") return PrintHelp();
  if (command == "--version") {
    std::printf("zorvik %s\n", zorvik::kVersion);
    return FinishStandardOutput(0);
  }
  const TArgs args(argv + 2, argv + argc);
  for (const TVerb& verb : kVerbs) {
    if (verb.name == command) return AsksForHelp(args) ? PrintVerbHelp(verb) : verb.run(args);
  }
  return UsageError("unknown command '" + std::string(command) + "'");
}
