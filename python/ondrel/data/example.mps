NAME          PRODUCTION
* A small production plan: three products share three resources; whole
* units only. Minimizes the negated profit (the best profit is 13).
ROWS
 N  PROFIT
 L  LABOUR
 L  MACHINE
 L  MATERIAL
COLUMNS
    MARKER                 'MARKER'                 'INTORG'
    CHAIRS    PROFIT          -5.0   LABOUR           2.0
    CHAIRS    MACHINE          4.0   MATERIAL         3.0
    TABLES    PROFIT          -4.0   LABOUR           3.0
    TABLES    MACHINE          1.0   MATERIAL         4.0
    DESKS     PROFIT          -3.0   LABOUR           1.0
    DESKS     MACHINE          2.0   MATERIAL         2.0
    MARKER                 'MARKER'                 'INTEND'
RHS
    RHS       LABOUR           5.0   MACHINE         11.0
    RHS       MATERIAL         8.0
BOUNDS
 UP BND       CHAIRS          10.0
 UP BND       TABLES          10.0
 UP BND       DESKS           10.0
ENDATA
