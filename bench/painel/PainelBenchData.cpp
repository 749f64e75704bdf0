// Writes the ledger benchmark's data (ten years of ten branches with ten
// registers each) into an SQLite file for the head-office view's benchmark.
//   kal02700-painel-bench-data FILE.db SCHEMA.sql
#include "FiscalBenchData.h"

#include <cstdio>
#include <exception>

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "Uso: kal02700-painel-bench-data ARQUIVO.db ESQUEMA.sql\n");
        return 2;
    }
    try {
        const FiscalBenchData::Counts c = FiscalBenchData::fillSqlite(argv[1], argv[2], FiscalBenchData::Size{});
        std::printf("%lld reduções Z, %lld linhas de imposto, %lld movimentos, %lld arquivos CAT-52\n", c.reductions,
                    c.taxLines, c.movements, c.files);
        return 0;
    } catch (const std::exception &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
