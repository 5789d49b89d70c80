-- The demo database: a table `orders` of 150,000 rows made deterministically (no
-- random numbers: every value is arithmetic on the row number), with integer,
-- real, money, date, date-time, text, boolean and NULL-bearing columns.
-- Usage: sqlite3 out/demo.db < scripts/make_demo_db.sql
PRAGMA synchronous = OFF;

DROP TABLE IF EXISTS orders;
CREATE TABLE orders (
  id INTEGER PRIMARY KEY,
  order_date DATE NOT NULL,        -- ISO text, rising with id over 2021-2024
  shipped_at DATETIME,             -- ISO text; NULL while not shipped
  customer VARCHAR(24) NOT NULL,
  country VARCHAR(16) NOT NULL,
  product VARCHAR(24) NOT NULL,
  quantity INTEGER NOT NULL,
  unit_price DECIMAL(12,2) NOT NULL,
  discount REAL,                   -- a fraction; NULL when none
  amount DECIMAL(12,2) NOT NULL,
  paid BOOLEAN NOT NULL,           -- 0 / 1
  note TEXT                        -- mostly NULL
);

CREATE TEMP TABLE customers (k INTEGER PRIMARY KEY, name TEXT, country TEXT);
INSERT INTO customers VALUES
  (0, 'Alder & Sons', 'Norway'), (1, 'Birchwood Ltd', 'Ireland'),
  (2, 'Cedar Supplies', 'Canada'), (3, 'Dogwood GmbH', 'Germany'),
  (4, 'Elm Street Café', 'France'), (5, 'Fir Trading', 'Finland'),
  (6, 'Ginkgo Imports', 'Japan'), (7, 'Hawthorn & Co', 'United Kingdom'),
  (8, 'Ironwood S.A.', 'Spain'), (9, 'Juniper Bros', 'United States'),
  (10, 'Kapok Traders', 'Brazil'), (11, 'Linden AB', 'Sweden'),
  (12, 'Maple Leaf Inc', 'Canada'), (13, 'Nutmeg Foods', 'India'),
  (14, 'Olive Grove SRL', 'Italy'), (15, 'Pine & Partners', 'Australia');

CREATE TEMP TABLE products (k INTEGER PRIMARY KEY, name TEXT, price REAL);
INSERT INTO products VALUES
  (0, 'Desk lamp', 24.90), (1, 'Office chair', 189.00), (2, 'Notebook A5', 3.45),
  (3, 'Fountain pen', 42.50), (4, 'Monitor stand', 35.99), (5, 'Paper, 500 sheets', 6.20),
  (6, 'Stapler', 12.75), (7, 'Whiteboard', 79.00), (8, 'Desk organiser', 18.40),
  (9, 'USB hub', 21.99), (10, 'Filing cabinet', 149.50);

CREATE TEMP TABLE notes (k INTEGER PRIMARY KEY, text TEXT);
INSERT INTO notes VALUES
  (0, 'Gift wrap'), (1, 'Deliver after 5 pm'), (2, 'Call before delivery'),
  (3, 'Leave with the neighbour'), (4, '=1+1 is a note, not a formula');

BEGIN;
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 150000),
rows AS (
  SELECT i,
         julianday('2021-01-01') + (i - 1) * 1461 / 150000 AS day,
         (i * 7) % 16 AS c,
         (i * 13 + i / 97) % 11 AS p,
         1 + (i * 17) % 9 AS qty,
         CASE WHEN i % 10 = 0 THEN 0.1 WHEN i % 7 = 0 THEN 0.05 END AS disc
  FROM n
)
INSERT INTO orders
SELECT i,
       date(day),
       CASE WHEN i % 13 = 0 THEN NULL
            ELSE datetime(day + 1 + (i * 29) % 96 / 24.0 + (i * 7) % 60 / 1440.0) END,
       customers.name,
       customers.country,
       products.name,
       qty,
       products.price,
       disc,
       round(qty * products.price * (1 - coalesce(disc, 0)), 2),
       (i * 31) % 10 < 8,
       CASE WHEN i % 40 = 0 THEN (SELECT text FROM notes WHERE k = (i / 40) % 5) END
FROM rows
JOIN customers ON customers.k = rows.c
JOIN products ON products.k = rows.p;
COMMIT;
