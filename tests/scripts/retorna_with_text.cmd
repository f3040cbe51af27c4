chama @s
@s
retorna ja
