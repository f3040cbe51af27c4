dir troca "não existe"
