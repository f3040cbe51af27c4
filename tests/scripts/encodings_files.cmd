* a file to Base64 lines and back
codarqbase64 "encodings_files.cmd" "texto.b64"
decodarqbase64 "texto.b64" "volta.cmd"
escreve "ok"
codarqbase64 "nada" "alvo"
