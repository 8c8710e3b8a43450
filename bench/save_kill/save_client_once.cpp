// Saves IEC_61850_Client.xml once through the access editor's own save function, with ROWS
// variable rows whose mnemonics all carry GENERATION, so a reader can tell one save from
// another. Driven (and killed at random moments) by kill_loop.py.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "access/access_state.h"
#include "access/client_file.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "Usage: save_client_once FILE ROWS GENERATION\n");
    return 2;
  }
  const int rows = std::atoi(argv[2]);
  const std::string generation = argv[3];
  UIEC_61850_Access::Access_State state;
  for (int r = 0; r < rows; ++r) {
    const int row = state.ACG_DA.Use_Or_Append();
    const std::string cells[] = {"0",
                                 "FLOAT32",
                                 "MX",
                                 "LD0/MMXU1.TotW.mag.f." + std::to_string(r),
                                 "127.0.0.1",
                                 "102",
                                 "Y",
                                 "N",
                                 "N",
                                 "1000",
                                 std::to_string(r),
                                 "0",
                                 "Read",
                                 "None",
                                 "1",
                                 "g" + generation};
    for (int c = 1; c <= 16; ++c) state.ACG_DA.Set_Cell(row, c, cells[c - 1]);
  }
  try {
    UIEC_61850_Access::Save_Client_File(state, argv[1]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}
