// Writes the ledger benchmark's data into an SQLite file (or a PostgreSQL
// database) for the head-office view's benchmark: ten years of ten branches
// with ten registers each, or with "rede" a chain's year (2026) of 500
// branches with ten registers each, about one register-day in twenty still
// pending (a cash movement and no Z reduction).
//   kal02700-painel-bench-data FILE.db|postgresql:CONNINFO SCHEMA.sql [rede]
#include "FiscalBenchData.h"

#include <cstdio>
#include <string>
#include <exception>

int main(int argc, char **argv)
{
    if (argc < 3 || argc > 4 || (argc == 4 && std::string(argv[3]) != "rede")) {
        std::fprintf(stderr, "Uso: kal02700-painel-bench-data ARQUIVO.db|postgresql:CONEXAO ESQUEMA.sql [rede]\n");
        return 2;
    }
    FiscalBenchData::Size size;
    if (argc == 4)
        size = FiscalBenchData::Size{500, 10, 2026, 1, 20};
    const std::string target = argv[1];
    const std::string pg = "postgresql:";
    try {
        const FiscalBenchData::Counts c = target.rfind(pg, 0) == 0
                                              ? FiscalBenchData::fillPostgres(target.substr(pg.size()), argv[2], size)
                                              : FiscalBenchData::fillSqlite(target, argv[2], size);
        std::printf("%lld reduções Z, %lld linhas de imposto, %lld movimentos, %lld arquivos CAT-52\n", c.reductions,
                    c.taxLines, c.movements, c.files);
        return 0;
    } catch (const std::exception &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
