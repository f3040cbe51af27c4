// The sandbox of hostile scripts: file, directory and sound-file commands refuse and
// change nothing on disk; EXECUTA only records.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <map>

#include "fixture.h"

namespace {

using rltest::InFolder;
using rltest::Session;

// Every entry under the folder with its bytes (directories as "/").
std::map<std::string, std::string> snapshot(const cmdtest::TempFolder& t) {
  std::map<std::string, std::string> m;
  for (const auto& e : std::filesystem::recursive_directory_iterator(t.path())) {
    const std::string rel = std::filesystem::relative(e.path(), t.path()).string();
    m[rel] = e.is_directory() ? "/" : t.read(rel);
  }
  return m;
}

void make_files(const cmdtest::TempFolder& t) {
  t.file("a.txt", "dados");
  t.file("d.b64", "ZGFkb3M=");
  t.file("b.wav", "RIFF");
  t.dir("pasta");
}

// Each statement succeeds outside the sandbox, so its refusal inside comes from the sandbox.
TEST(Sandbox, FileCommandsRefuseAndTouchNothing) {
  const char* statements[] = {
      "REMOVE \"a.txt\"",
      "RENOMEIA \"a.txt\" \"c.txt\"",
      "REPLICA \"a.txt\" \"c.txt\"",
      "DIR CRIA \"nova\"",
      "DIR REMOVE \"pasta\"",
      "DIR TROCA \"pasta\"",
      "ABRE #1 \"a.txt\"",
      "ABRE #2 \"novo.txt\" &",
      "CODARQBASE64 \"a.txt\" \"c.b64\"",
      "DECODARQBASE64 \"d.b64\" \"c.bin\"",
      "BUSCA A \"*.txt\"",
      "TOCA \"b.wav\"",
      "TOCA \"b.wav\" &",
      "MCI A \"open b.wav alias x\"",
  };
  for (const char* st : statements) {
    {
      InFolder f;
      make_files(f.t);
      Session s;
      EXPECT_TRUE(rl::execute_statement(s.in(), st, false)) << "outside the sandbox: " << st;
    }
    InFolder f;
    make_files(f.t);
    const auto before = snapshot(f.t);
    const std::string cwd = std::filesystem::current_path().string();
    Session s;
    s.in().sandbox = true;
    EXPECT_FALSE(rl::execute_statement(s.in(), st, false)) << st;
    EXPECT_FALSE(s.in().files[1].open || s.in().files[2].open) << st;
    EXPECT_EQ(snapshot(f.t), before) << st;
    EXPECT_EQ(std::filesystem::current_path().string(), cwd) << st;
  }
}

TEST(Sandbox, ExecutaOnlyRecords) {
  InFolder f;
  Session s;
  s.in().sandbox = true;
  ASSERT_TRUE(rl::execute_statement(s.in(), "EXECUTA \"/bin/touch roteiral-sandbox-probe\" &", false));
  auto* shell = dynamic_cast<plat::RecordingShell*>(s.in().shell.get());
  ASSERT_NE(shell, nullptr);
  ASSERT_EQ(shell->requests.size(), 1u);
  EXPECT_EQ(shell->requests[0].program, "/bin/touch");
  EXPECT_FALSE(std::filesystem::exists("roteiral-sandbox-probe"));
}

// A listening socket on 127.0.0.1; whether anyone knocked.
struct Listener {
  int fd = -1;
  int port = 0;
  Listener() {
    fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t n = sizeof a;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), n) != 0 || ::listen(fd, 4) != 0) ADD_FAILURE();
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &n);
    port = ntohs(a.sin_port);
  }
  ~Listener() { ::close(fd); }
  bool knocked() const {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0;
  }
};

TEST(Sandbox, NetworkAndDesktopWordsRefuseBeforeReachingOut) {
  InFolder f;
  Listener l;
  const std::string port = std::to_string(l.port);
  {
    Session s;
    ASSERT_TRUE(rl::execute_statement(s.in(), "CONECTA #1 \"127.0.0.1\" " + port, false));
    EXPECT_TRUE(l.knocked());
  }
  Listener quiet;
  const std::string qport = std::to_string(quiet.port);
  const std::string statements[] = {
      "CONECTA #1 \"127.0.0.1\" " + qport,
      "CONECTA #1 \"127.0.0.1\" " + qport + " &",
      "TRAZDAREDE \"http://127.0.0.1:" + qport + "/x\" \"alvo.txt\" 0 \"\" A",
      "SERVE #2 0",
      "DIGITA \"x\"",
      "ACIONA \"ENTER\"",
      "CLICA 1, 1",
      "LE MOUSE A B",
      "JANELA FECHA \"x\"",
      "CAPTURA TITULO A",
      "TRANSFERE DE A",
      "MSAA MONITORA",
      "IMAGEM \"a.bmp\"",
      "SENSOR A",
      "MENSAGEM \"a\"",
  };
  for (const std::string& st : statements) {
    Session s;
    s.in().sandbox = true;
    EXPECT_FALSE(rl::execute_statement(s.in(), st, false)) << st;
    EXPECT_FALSE(quiet.knocked()) << st;
    EXPECT_FALSE(f.t.exists("alvo.txt")) << st;
    EXPECT_FALSE(s.in().files[1].open || s.in().files[2].open) << st;
  }
}

TEST(Sandbox, OffByDefault) {
  InFolder f;
  f.t.file("a.txt");
  Session s;
  EXPECT_FALSE(s.in().sandbox);
  EXPECT_TRUE(rl::execute_statement(s.in(), "REMOVE \"a.txt\"", false));
  EXPECT_FALSE(f.t.exists("a.txt"));
}

}  // namespace
