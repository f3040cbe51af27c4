seja x "v"
seja x1 "q"
