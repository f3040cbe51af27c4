dir cria "cheia"
replica "dir_remove_message.cmd" "cheia\x"
dir remove "cheia"
