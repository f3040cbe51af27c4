* REMOVE deletes the first name and ignores what follows
replica "remove_two_names.cmd" "um.txt"
replica "remove_two_names.cmd" "dois.txt"
remove "um.txt" "dois.txt"
busca $a "um.txt"
busca $b "dois.txt"
escreve "["$a"] ["$b"]"
remove ""
