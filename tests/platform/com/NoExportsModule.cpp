int calyrix_module_without_exports = 0;
