// Checking one page of a site from where it lies on disk: the workbench's check of the page
// it just generated, and the file access that `zorvik check` shares.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "check/site_check.h"
#include "site/site_access.h"
#include "site/web_root.h"

namespace zorvik {

// A regular file of the site as a server would give it out (no link, no dot-file, at most
// kMaxServedFileBytes); false when there is none, with *unreachable the system's reason when the
// path could not be looked at or read (left empty when there is simply no such file).
bool ReadSiteFile(const TSiteAccess& site, const std::string& path, std::string& bytes,
                  std::string* unreachable);
bool IsFolderPath(const std::string& path);

// ReadSiteFile for a check (site must outlive it; it may be filled in later).
TReadFile SiteFileReader(const TSiteAccess& site);

// A check of the site as it lies on disk, its files read through ReadSiteFile (site must
// outlive it).
TSiteCheck SiteCheckOnDisk(const TSiteOfPages& where);

// The findings for the page bytes that will be written to output_file, in the site that the
// page and its links make (home: the user's home folder; site_folder: the folder of the page
// source, or of its group file).
std::vector<TFinding> CheckPageInSite(const std::string& output_file, std::string_view bytes,
                                      const std::string& home, const std::string& site_folder);

}  // namespace zorvik
