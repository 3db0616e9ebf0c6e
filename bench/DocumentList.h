#pragma once
// The benchmark documents of a folder, in name order: the same order for every program that reads
// them, so that each meets the same cache state.
#include <dirent.h>

#include <algorithm>
#include <string>
#include <vector>

inline std::vector<std::string> DocumentList(const std::string& folder) {
  std::vector<std::string> paths;
  if (DIR* listing = opendir(folder.c_str())) {
    while (const dirent* entry = readdir(listing)) {
      const std::string name = entry->d_name;
      if (name.size() > 5 && name.compare(name.size() - 5, 5, ".indd") == 0) paths.push_back(folder + "/" + name);
    }
    closedir(listing);
  }
  std::sort(paths.begin(), paths.end());
  return paths;
}
