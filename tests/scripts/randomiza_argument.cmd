randomiza
randomiza 5
