seja w palavra 1 "a b"
seja w palavra 0 "a b"
