// The network commands' argument handling and the file slots' network side, without peers.
#include "fixture.h"
#include "net/zninet.h"

namespace {

using rltest::Session;

TEST(NetworkCommands, MalformedStatementsFailSilently) {
  for (const char* st : {"internet", "internet outra", "ip #1 v", "ip local 1 v", "ip local #1 v",
                         "ip remoto #1 v", "observa teclado", "observa #1", "observa #1 v x", "observa 1 v",
                         "ativassl", "ativassl 1", "trazdarede", "trazdarede \"http://h/\" \"x\" \"2\" \"\" v",
                         "trazdarede \"http://h/\" \"x\" \"sim\" \"\" v", "trazdarede \"http://h/\" \"x\" \"0\"",
                         "trazdarede \"http://h/\" \"x\" \"0\" \"\"", "trazdarede \"http://h/\" \"x\" \"0\" \"\" 5"}) {
    Session s;
    EXPECT_FALSE(rl::execute_statement(s.in(), st, false)) << st;
    EXPECT_EQ(s.screen(), "") << st;
  }
}

TEST(NetworkCommands, MessagesOfConectaAndServe) {
  struct Case {
    const char* statement;
    const char* message;
  } cases[] = {
      {"conecta", "Erro de conexao"},
      {"conecta #1", "Erro de conexao"},
      {"conecta #1 \"127.0.0.1\"", "Erro de conexao"},
      {"conecta #1 \"127.0.0.1\" \"oitenta\"", "Erro na porta TCP/IP"},
      {"conecta #1 \"127.0.0.1\" \"65536\"", "Erro na porta TCP/IP"},
      {"conecta ssl #1 \"127.0.0.1\" \"-1\"", "Erro na porta TCP/IP"},
      {"serve #1", "Erro de conexao"},
      {"serve \"80\"", "Erro de conexao"},
      {"serve #1 \"porta\"", "Erro na porta TCP/IP"},
      {"serve #1 \"0\"", "Erro na porta TCP/IP"},
  };
  for (const auto& c : cases) {
    Session s;
    EXPECT_FALSE(rl::execute_statement(s.in(), c.statement, false)) << c.statement;
    EXPECT_EQ(s.screen(), c.message) << c.statement;
  }
  Session s;
  EXPECT_TRUE(rl::execute_statement(s.in(), "internet INICIA", false));
  EXPECT_TRUE(rl::execute_statement(s.in(), "INTERNET termina", false));
}

TEST(NetworkCommands, SlotWithoutAConnection) {
  // ATIVASSL with no host to go to leaves a network slot with no connection: it can be
  // written to (nothing sent), read (no line), watched and closed, but has no address.
  Session s;
  auto& in = s.in();
  ASSERT_TRUE(rl::execute_statement(in, "ativassl #3", false));
  EXPECT_TRUE(in.files[3].open && in.files[3].socket);
  EXPECT_TRUE(rl::execute_statement(in, "escreve #3 \"ola\"", false));
  EXPECT_EQ(in.status, 0);
  EXPECT_TRUE(rl::execute_statement(in, "le #3 a", false));
  EXPECT_EQ(in.status, 1);
  EXPECT_TRUE(rl::execute_statement(in, "observa #3 o", false));
  EXPECT_EQ(s.var("o"), "0");
  EXPECT_FALSE(rl::execute_statement(in, "ip local #3 l", false));
  EXPECT_TRUE(rl::execute_statement(in, "fecha #3", false));
  EXPECT_FALSE(in.files[3].open);
  EXPECT_EQ(s.screen(), "");
}

TEST(NetworkCommands, TlsRequestLastsUntilANetworkSlotCloses) {
  Session s;
  auto& in = s.in();
  ASSERT_TRUE(rl::execute_statement(in, "conecta ssl #1 \"nao.existe.invalid\" \"443\" &", false));
  EXPECT_EQ(in.status, 1);
  ASSERT_TRUE(in.net);
  EXPECT_TRUE(in.net->tls_requested);
  EXPECT_EQ(in.net->last_host, "nao.existe.invalid");
  EXPECT_EQ(in.net->last_port, "443");
  EXPECT_TRUE(rl::execute_statement(in, "fecha #1", false));  // never a network slot
  EXPECT_TRUE(in.net->tls_requested);
  ASSERT_TRUE(rl::execute_statement(in, "ativassl #2", false));
  EXPECT_TRUE(rl::execute_statement(in, "fecha #2", false));
  EXPECT_FALSE(in.net->tls_requested);
}

}  // namespace
