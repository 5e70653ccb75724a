/* bench/modules/Empty.c - the floor of a load: a shared object with one
   variable in it (C allows no empty translation unit). */
int bench_empty_marker = 1;
