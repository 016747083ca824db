// Limits of the problem-file reader: binary content, invalid UTF-8,
// over-long lines, endless input stopped by an interrupt from another
// thread, gzip-compressed files, and long names through MPS and LP.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#include <atomic>
#include <chrono>
#include <thread>
#include "io_util.h"

using namespace io_test;

namespace {

const char *kSmall = "NAME small\nROWS\n N obj\n L c1\nCOLUMNS\n    x obj 1 c1 1\nRHS\n    rhs c1 4\nENDATA\n";

// A problem holding kSmall and its text, to check that a refused read
// changes nothing.
struct Loaded {
  Fixture f;
  TempDir tmp;
  std::string before;
  Loaded() {
    std::string ref = tmp.path("ref.mps");
    spit(ref, kSmall);
    CHECK_OK(ONDRreadprob(f.prob, ref.c_str(), ""));
    before = mps_text(f.prob, tmp);
    CHECK(!before.empty());
  }
  void refused(const std::string &path, const char *says) {
    CHECK_FAIL(ONDRreadprob(f.prob, path.c_str(), ""));
    CHECK_CONTAINS(check::lasterror(f.prob), says);
    CHECK(mps_text(f.prob, tmp) == before);
  }
};

std::string with_line(int lineno, const std::string &line) {
  std::string s = kSmall;
  size_t p = 0;
  for (int i = 1; i < lineno; ++i) p = s.find('\n', p) + 1;
  return s.substr(0, p) + line + "\n" + s.substr(p);
}

}  // namespace

TEST(binary_and_invalid_text_is_refused_naming_file_and_line) {
  struct Bad {
    const char *file;
    std::string text;
    const char *says;
  };
  const Bad cases[] = {
      {"nul.mps", with_line(3, std::string("* a\0b", 5)), ":3: binary content"},
      {"latin1.mps", with_line(6, "    caf\xe9 obj 1"), ":6: the text is not valid UTF-8"},
      {"overlong.mps", with_line(6, "    \xc0\xafx obj 1"), ":6: the text is not valid UTF-8"},
      {"surrogate.mps", with_line(6, "    \xed\xa0\x80 obj 1"), ":6: the text is not valid UTF-8"},
      {"cut.mps", std::string(kSmall) + "* \xe2\x82", "not valid UTF-8"},
      {"long.mps", with_line(2, "* " + std::string((1 << 20) + 10, 'a')), ":2: line longer than"},
      {"long.lp", "\\ " + std::string((1 << 20) + 10, 'a') + "\nminimize\n x\nend\n", ":1: line longer than"},
  };
  for (const Bad &b : cases) {
    Loaded l;
    std::string path = l.tmp.path(b.file);
    spit(path, b.text);
    l.refused(path, b.file);
    l.refused(path, b.says);
  }
}

TEST(utf8_names_are_read) {
  Fixture f;
  TempDir tmp;
  std::string path = tmp.path("utf8.mps");
  spit(path, with_line(6, "    caf\xc3\xa9 obj 2"));
  CHECK_OK(ONDRreadprob(f.prob, path.c_str(), ""));
  CHECK(name_of(f.prob, 2, 0) == "caf\xc3\xa9");
}

TEST(dev_zero_ends_with_an_error) {
  Loaded l;
  alarm(30);  // a reader that never returns fails the test instead of hanging it
  l.refused("/dev/zero", "/dev/zero:1: binary content");
  alarm(0);
}

TEST(endless_input_stops_on_interrupt_from_another_thread) {
  Loaded l;
  signal(SIGPIPE, SIG_IGN);
  std::string fifo = l.tmp.path("endless.mps");
  CHECK(mkfifo(fifo.c_str(), 0600) == 0);
  std::atomic<bool> stop{false};
  // Feeds valid comment lines until the reader closes its end; interrupts
  // the read once it has gone on for a while.
  std::thread writer([&] {
    int fd = open(fifo.c_str(), O_WRONLY);
    if (fd < 0) return;
    std::string chunk;
    for (int i = 0; i < 1000; ++i) chunk += "* an endless comment\n";
    auto t0 = std::chrono::steady_clock::now();
    bool sent = false;
    while (!stop.load()) {
      if (write(fd, chunk.data(), chunk.size()) < 0) break;
      if (!sent && std::chrono::steady_clock::now() - t0 > std::chrono::milliseconds(300)) {
        ONDRinterrupt(l.f.prob, 1);
        sent = true;
      }
    }
    close(fd);
  });
  alarm(60);
  l.refused(fifo, "interrupted");
  alarm(0);
  stop.store(true);
  writer.join();
  // The interrupt does not outlive the read: the next read works.
  std::string ok = l.tmp.path("again.mps");
  spit(ok, kSmall);
  CHECK_OK(ONDRreadprob(l.f.prob, ok.c_str(), ""));
}

TEST(gzip_files_read_by_content_and_written_by_name) {
  std::string src = instance_dir() + "/afiro.mps";
  struct stat st;
  if (instance_dir().empty() || stat(src.c_str(), &st) != 0) {
    printf("  (skipped: no instances)\n");
    return;
  }
  Fixture plain, packed, renamed, again;
  TempDir tmp;
  std::string gz = tmp.path("afiro.mps.gz"), hidden = tmp.path("afiro_packed.mps");
  std::string cmd = "gzip -c '" + src + "' > '" + gz + "' && cp '" + gz + "' '" + hidden + "'";
  CHECK(system(cmd.c_str()) == 0);
  CHECK_OK(ONDRreadprob(plain.prob, src.c_str(), ""));
  CHECK_OK(ONDRreadprob(packed.prob, gz.c_str(), ""));
  CHECK_OK(ONDRreadprob(renamed.prob, hidden.c_str(), ""));
  std::string ref = mps_text(plain.prob, tmp);
  CHECK(!ref.empty());
  CHECK(mps_text(packed.prob, tmp) == ref);
  CHECK(mps_text(renamed.prob, tmp) == ref);
  // Written compressed when the name ends in .gz, and read back.
  std::string out = tmp.path("out.mps.gz");
  CHECK_OK(ONDRwriteprob(plain.prob, out.c_str(), ""));
  std::string raw = slurp(out);
  CHECK(raw.size() > 2 && (unsigned char)raw[0] == 0x1f && (unsigned char)raw[1] == 0x8b);
  CHECK_OK(ONDRreadprob(again.prob, out.c_str(), ""));
  CHECK(mps_text(again.prob, tmp) == ref);
}

TEST(gzip_bomb_stops_at_the_limits) {
  Loaded l;
  std::string gz = l.tmp.path("bomb.mps.gz");
  // 64 MiB of zeros packs to a few tens of KiB.
  std::string cmd = "head -c 67108864 /dev/zero | gzip -c > '" + gz + "'";
  CHECK(system(cmd.c_str()) == 0);
  l.refused(gz, ":1: binary content");
  std::string longgz = l.tmp.path("longline.mps.gz");
  cmd = "head -c 67108864 /dev/zero | tr '\\0' a | gzip -c > '" + longgz + "'";
  CHECK(system(cmd.c_str()) == 0);
  l.refused(longgz, ":1: line longer than");
}

TEST(long_names_round_trip_through_mps_and_lp) {
  for (const char *ext : {".mps", ".lp"}) {
    Fixture f, g;
    TempDir tmp;
    std::string path = tmp.path(std::string("long") + ext);
    std::string text = kSmall;
    std::string col(1000, 'v'), row(600, 'r');
    text.replace(text.find("    x obj 1 c1 1"), 16, "    " + col + " obj 1 c1 1");
    text.replace(text.find(" L c1"), 5, " L " + row);
    text.replace(text.find(" obj 1 c1 1"), 11, " obj 1 " + row + " 1");
    text.replace(text.find("rhs c1 4"), 8, "rhs " + row + " 4");
    std::string src = tmp.path("src.mps");
    spit(src, text);
    CHECK_OK(ONDRreadprob(f.prob, src.c_str(), ""));
    CHECK(name_of(f.prob, 2, 0) == col);
    CHECK(name_of(f.prob, 1, 0) == row);
    CHECK_OK(ONDRwriteprob(f.prob, path.c_str(), ""));
    CHECK_OK(ONDRreadprob(g.prob, path.c_str(), ""));
    CHECK(name_of(g.prob, 2, 0) == col);
    CHECK(name_of(g.prob, 1, 0) == row);
  }
}

TEST(names_that_are_not_utf8_are_refused_by_the_writers) {
  for (const char *ext : {".mps", ".lp"}) {
    Loaded l;
    const char bad[] = "caf\xe9";
    CHECK_OK(ONDRaddnames(l.f.prob, 2, bad, 0, 0));
    std::string path = l.tmp.path(std::string("bad") + ext);
    CHECK_FAIL(ONDRwriteprob(l.f.prob, path.c_str(), ""));
    std::string msg = check::lasterror(l.f.prob);
    CHECK_CONTAINS(msg, "Column name 'caf\\xe9'");
    CHECK_CONTAINS(msg, "not valid UTF-8");
  }
}
