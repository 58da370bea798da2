// Kills the real layra-cli at many instants of `invert` (both engines, an
// automatic and a user-model run) and `survey` (independent and laterally
// constrained), from its first milliseconds to its end, and checks what a
// kill leaves: every results file is the previous one untouched (or still
// absent), or the run's own file up to the blocks it completed, which the
// reader takes back as those blocks; the tables are whole or as they were; no
// temporary is left that the next write would not remove.
//
// LAYRA_KILLS sets the kills per run (default 24); scripts/kill-runs.sh runs
// many more and prints the figures.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "fileio/atomic_file.h"
#include "fileio/results_file.h"
#include "tests/support/recording_sink.h"
#include "tests/support/scratch_dir.h"

extern char** environ;

namespace layra {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

const std::string kExamples = LAYRA_EXAMPLES_DIR;

// Starts layra-cli with `arguments` (output discarded); its process id.
pid_t Start(const std::vector<std::string>& arguments) {
  std::vector<std::string> words = {LAYRA_CLI_PATH};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  const int failed = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  return failed == 0 ? pid : -1;
}

// Runs to the end; the wall time it took.
Clock::duration RunWhole(const std::vector<std::string>& arguments) {
  const Clock::time_point start = Clock::now();
  const pid_t pid = Start(arguments);
  int status = 0;
  EXPECT_GT(pid, 0);
  if (pid > 0) ::waitpid(pid, &status, 0);
  return Clock::now() - start;
}

// What the kills of one run left, for the figures.
struct Tally {
  int kills = 0;
  int untouched = 0;  // the previous file (or none) as it was
  int blocks = 0;     // the run's own file up to whole blocks
  int cut = 0;        // ... with a cut last block that the reader drops
  int temporaries = 0;
};

// Where each block of the complete file `whole` ends.
std::vector<size_t> BlockEnds(const std::string& whole) {
  std::vector<size_t> ends;
  for (size_t at = whole.find("\nIteration "); at != std::string::npos;
       at = whole.find("\nIteration ", at + 1)) {
    ends.push_back(at + 1);
  }
  ends.push_back(whole.size());
  return ends;
}

// Checks one results file after a kill against the previous contents and
// the complete files the run can write (the first that the file starts
// like decides); adds to `tally`.
void CheckResultsFile(const fs::path& path,
                      const std::string* previous,
                      const std::vector<const std::string*>& complete,
                      Tally& tally) {
  const bool exists = fs::exists(path);
  const std::string text = testing::ReadWholeFile(path.string());
  if (previous == nullptr ? !exists : text == *previous) {
    ++tally.untouched;
    return;
  }
  ASSERT_TRUE(exists) << path << ": an earlier file was removed";
  const std::string* whole = nullptr;
  for (const std::string* candidate : complete) {
    if (candidate->compare(0, text.size(), text) == 0) whole = candidate;
  }
  ASSERT_NE(whole, nullptr) << path << ": neither the earlier file nor part of the run's:\n"
                            << text.substr(0, 400);
  const std::vector<size_t> ends = BlockEnds(*whole);
  ASSERT_GE(text.size(), ends[0]) << path << ": block 0 is not whole";
  int blocks = 0;
  while (blocks + 1 < static_cast<int>(ends.size()) && ends[blocks + 1] <= text.size()) ++blocks;
  auto results = std::make_unique<InversionResults>();
  testing::RecordingSink host;
  ASSERT_EQ(ReadResultsFile(path.string(), *results, host), 0) << path;
  EXPECT_EQ(results->iterationCount, blocks) << path << " of " << text.size() << " bytes";
  const bool cut = text.size() != ends[blocks];
  EXPECT_EQ(host.messages.size(), cut ? 1u : 0u) << path;
  ++(cut ? tally.cut : tally.blocks);
}

class CrashConsistency : public ::testing::Test {
 protected:
  static int Kills() {
    const char* text = std::getenv("LAYRA_KILLS");
    return text != nullptr && std::atoi(text) > 0 ? std::atoi(text) : 24;
  }

  // The instant of kill k of n in a run of `length`, from its first
  // milliseconds to a little after its end, spread with a fixed seed.
  Clock::duration Instant(int k, int n, Clock::duration length) {
    std::uniform_real_distribution<double> jitter(0.0, 1.0);
    const double fraction = (k + jitter(random_)) / n;
    return std::chrono::duration_cast<Clock::duration>(length * 1.1 * fraction);
  }

  // Kills `arguments` at many instants. Before each run `prepare(k)` puts
  // the earlier files in place; after each kill `check(k)` looks at them.
  // A machine busier than when `length` was measured slows the runs down:
  // while no kill has come after the first write, the kills are spread over
  // twice the time again (three rounds at most).
  template <typename Prepare, typename Check>
  void KillRuns(const std::string& name,
                const std::vector<std::string>& arguments,
                Clock::duration length,
                Prepare prepare,
                Check check) {
    Tally tally;
    const int n = Kills();
    for (int round = 0; round < 3 && tally.blocks + tally.cut == 0; ++round, length *= 2) {
      for (int k = 0; k < n && !HasFatalFailure(); ++k) {
        prepare(k);
        const pid_t pid = Start(arguments);
        ASSERT_GT(pid, 0);
        std::this_thread::sleep_for(Instant(k, n, length));
        ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
        ++tally.kills;
        check(k, tally);
        CheckTemporaries(tally);
      }
    }
    std::cout << name << ": " << tally.kills << " kills; results files: " << tally.untouched
              << " as they were, " << tally.blocks << " up to whole blocks, " << tally.cut
              << " with a cut last block; " << tally.temporaries << " temporaries\n";
    EXPECT_GT(tally.untouched, 0) << name << ": no kill came before the first write";
    EXPECT_GT(tally.blocks + tally.cut, 0) << name << ": no kill came after it";
  }

  // A temporary left by a kill is unlocked, and goes with the next write
  // into its folder.
  void CheckTemporaries(Tally& tally) {
    std::vector<std::string> folders = {dir_.path().string() + "/"};
    for (const auto& entry : fs::recursive_directory_iterator(dir_.path())) {
      tally.temporaries += entry.path().filename().string().rfind(".layra-", 0) == 0;
      if (entry.is_directory()) folders.push_back(entry.path().string() + "/");
    }
    for (const std::string& folder : folders) RemoveStaleTemporaries(folder);
    for (const auto& entry : fs::recursive_directory_iterator(dir_.path())) {
      EXPECT_NE(entry.path().filename().string().rfind(".layra-", 0), 0u) << entry.path();
    }
  }

  testing::ScratchDir dir_;
  std::mt19937 random_{20240611};
};

TEST_F(CrashConsistency, KilledInversionsKeepTheEarlierFileOrTheirWholeBlocks) {
  const std::string previous = testing::ReadWholeFile(kExamples + "/wenner.INV");
  const struct {
    const char* name;
    std::vector<std::string> options;
    const char* data;
  } runs[] = {
      {"documented automatic", {}, "wenner.dat"},
      {"documented user model", {"--user-model"}, "starting_model.dat"},
      {"accurate automatic", {"--engine", "accurate"}, "wenner.dat"},
      {"accurate user model", {"--engine", "accurate", "--user-model"}, "starting_model.dat"}};
  for (const auto& run : runs) {
    SCOPED_TRACE(run.name);
    const fs::path results = dir_.path() / "run.INV";
    std::vector<std::string> arguments = {"invert"};
    arguments.insert(arguments.end(), run.options.begin(), run.options.end());
    arguments.insert(arguments.end(), {"-o", results.string(), kExamples + "/" + run.data});
    const Clock::duration length = RunWhole(arguments);
    const std::string whole = testing::ReadWholeFile(results.string());
    ASSERT_NE(whole.find("Iteration 1"), std::string::npos);
    // Every other run finds an earlier file, the others none.
    KillRuns(
        run.name,
        arguments,
        length,
        [&](int k) {
          fs::remove(results);
          if (k % 2 == 0) std::ofstream(results) << previous;
        },
        [&](int k, Tally& tally) {
          CheckResultsFile(results, k % 2 == 0 ? &previous : nullptr, {&whole}, tally);
        });
  }
}

TEST_F(CrashConsistency, KilledSurveysKeepEveryFileWholeOrAsItWas) {
  const std::string previous = testing::ReadWholeFile(kExamples + "/wenner.INV");
  const std::string survey = kExamples + "/survey/channel_survey.csv";
  const std::vector<std::string> names = {"A1", "A2", "A3", "A4", "A5", "A6", "A7", "A8"};
  const fs::path out = dir_.path() / "out";
  // The joint step rewrites or extends the files of the independent runs.
  std::map<std::string, std::string> independent;
  RunWhole({"survey", survey, "--engine", "accurate", "--output-dir", out.string()});
  for (const std::string& name : names) {
    independent[name] = testing::ReadWholeFile((out / (name + ".INV")).string());
  }
  const struct {
    const char* name;
    std::vector<std::string> options;
  } runs[] = {{"survey", {}}, {"survey --lateral", {"--lateral", "1"}}};
  for (const auto& run : runs) {
    SCOPED_TRACE(run.name);
    std::vector<std::string> arguments = {"survey", survey, "--output-dir", out.string()};
    arguments.insert(arguments.end(), run.options.begin(), run.options.end());
    fs::remove_all(out);
    const Clock::duration length = RunWhole(arguments);
    std::map<std::string, std::string> whole;
    for (const std::string& name : names) {
      whole[name] = testing::ReadWholeFile((out / (name + ".INV")).string());
    }
    const std::string models = testing::ReadWholeFile((out / "models.csv").string());
    KillRuns(
        run.name,
        arguments,
        length,
        [&](int) {
          fs::remove_all(out);
          fs::create_directories(out);
          for (const std::string& name : names) std::ofstream(out / (name + ".INV")) << previous;
          std::ofstream(out / "models.csv") << "earlier\n";
        },
        [&](int, Tally& tally) {
          for (const std::string& name : names) {
            CheckResultsFile(
                out / (name + ".INV"), &previous, {&whole[name], &independent[name]}, tally);
          }
          const std::string table = testing::ReadWholeFile((out / "models.csv").string());
          EXPECT_TRUE(table == "earlier\n" || table == models) << table.substr(0, 200);
        });
  }
}

}  // namespace
}  // namespace layra
