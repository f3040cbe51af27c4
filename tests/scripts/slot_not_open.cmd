le #3 a
