#!/usr/bin/env bash
# SERVE waits for one client, which the test connects from 127.0.0.1, and talks to it
# through LE #n, ESCREVE #n and IP; SERVE on a port that is no number is refused.
source "$(dirname "$0")/net_common.bash" "$1"
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
write_script a.cmd \
  "serve #1 \"$port\"" 'le #1 a' 'checa s' 'escreve #1 "recebi " a " " s' \
  'ip remoto #1 r' 'ip local #1 l' 'escreve #1 r " " l' 'observa #1 o' 'escreve #1 "observa " o' \
  'le #1 a' 'escreve #1 "depois " a' 'fecha #1' 'serve #2 "porta"'
run_script a.cmd &
runner=$!
python3 - "$port" >client.out <<'PY'
import socket, sys, time
for _ in range(200):
    try:
        s = socket.create_connection(("127.0.0.1", int(sys.argv[1])))
        break
    except OSError:
        time.sleep(0.05)
f = s.makefile("rwb")
f.write(b"ola do cliente\r\n"); f.flush()
print(f.readline().decode().rstrip())
print(f.readline().decode().rstrip())
print(f.readline().decode().rstrip())
f.write(b"outra\n"); f.flush()
print(f.readline().decode().rstrip())
PY
wait "$runner" || true
diff -u <(printf 'recebi ola do cliente 0\n127.0.0.1 127.0.0.1\nobserva 0\ndepois outra\n') client.out
expect_screen 'Erro na porta TCP/IP' 'Erro de execução na linha 13'
