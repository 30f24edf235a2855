// Counting commits not pushed with libgit2, for the helper program kestrun-probe-repos (and tests).
//
// Each repository is opened as itself, never by searching its parents, so a dotfiles repository in
// $HOME never claims a project below it. A repository owned by another user is left out: the
// library refuses it, as git does. libgit2 is initialised for the life of a Scanner; a Scanner is
// meant for one thread.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "KestrunProbe/Repositories.h"

namespace Probe {

class Scanner {
 public:
  explicit Scanner(AheadCache known = {});
  ~Scanner();
  Scanner(const Scanner&) = delete;
  Scanner& operator=(const Scanner&) = delete;

  // Commits not pushed, summed over the local branches that have an upstream; none when the
  // directory is no repository this user may open.
  std::optional<std::int64_t> ahead(const std::filesystem::path& repository);

  std::vector<Unpushed> unpushed(const std::vector<std::filesystem::path>& repositories);

  // The pairs of commits met since this Scanner was made, with their counts.
  const AheadCache& met() const { return met_; }

 private:
  AheadCache known_, met_;
};

// The helper's whole work: a request in, a reply out; none for a request it cannot read.
std::optional<std::string> answerScanRequest(std::string_view request);

}  // namespace Probe
