-- The W5 benchmark database: a table `w5` of 200,000 records x 8 fields (integer,
-- real, money, date, date-time, text with 20,000 distinct values, boolean, text with
-- NULLs), made deterministically from the row number.
-- Usage: sqlite3 out/w5.db < scripts/make_w5_db.sql
PRAGMA synchronous = OFF;

DROP TABLE IF EXISTS w5;
CREATE TABLE w5 (
  id INTEGER PRIMARY KEY,
  ratio REAL NOT NULL,
  price DECIMAL(12,2) NOT NULL,
  day DATE NOT NULL,
  stamp DATETIME NOT NULL,
  label VARCHAR(20) NOT NULL,   -- 20,000 distinct values
  flag BOOLEAN NOT NULL,
  remark TEXT                   -- NULL in every third record
);

BEGIN;
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 200000)
INSERT INTO w5
SELECT i,
       (i * 7919 % 100003) / 1000.0,
       round((i * 104729 % 1000000) / 100.0, 2),
       date(julianday('2015-01-01') + i % 3653),
       datetime(julianday('2015-01-01') + i % 3653 + (i * 7919 % 86400) / 86400.0),
       'label ' || (i * 7919 % 20000),
       i % 3 = 1,
       CASE WHEN i % 3 = 0 THEN NULL ELSE 'remark ' || (i % 97) END
FROM n;
COMMIT;
