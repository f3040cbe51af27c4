dir cria "nova"
dir cria "nova" &
escreve "tolerante"
dir remove "nada" &
dir troca "nada" &
dir cria "nova"
escreve "nao chega aqui"
