escreve	"x"
